// The resource dumper on one input taken as a mapped file, writing its
// script and images into a scratch folder of a sim machine.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/headless/TextLogWindow.h"
#include "peinfo/PeReports.h"
#include "platform/Platform.h"
#include "platform/sim/SimMachine.h"

namespace {

void RemoveScratch();

// Made once and removed at exit; kept alive on purpose until then, as the
// exit handler runs after static objects are gone.
const std::filesystem::path& ScratchRoot() {
    static const std::filesystem::path* const root = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "qv-fuzz-dumper-XXXXXX").string();
        const auto* made = new std::filesystem::path(::mkdtemp(pattern.data()));
        std::atexit(&RemoveScratch);
        return made;
    }();
    return *root;
}

void RemoveScratch() {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchRoot(), ignored);
}

qv::sim::SimMachine& Machine() {
    static qv::sim::SimMachine machine(ScratchRoot());
    return machine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace qv;
    const std::filesystem::path work = ScratchRoot() / "C" / "work";
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    std::filesystem::create_directories(work);
    Machine().SetCurrentDirectory("C:\\work");
    SetPlatform(&Machine());

    const std::vector<uint8_t> bytes(data, data + size);
    CTextLogWindow window;
    DumpMappedResources("C:\\work\\fuzz.exe", ByteView(bytes.data(), bytes.size()), &window);
    return 0;
}
