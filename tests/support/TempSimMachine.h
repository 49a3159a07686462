// A simulated machine over a fresh host temporary folder: "C:\" is the
// folder's C directory, so Windows paths in the code under test work
// unchanged. The folder goes when the machine does.
#pragma once

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <stdlib.h>

#include "platform/sim/SimMachine.h"

namespace qv::test {

class TempSimMachine {
public:
    explicit TempSimMachine(const std::string& tag) : m_root(MakeRoot(tag)), m_machine(m_root) {}
    ~TempSimMachine() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    TempSimMachine(const TempSimMachine&) = delete;
    TempSimMachine& operator=(const TempSimMachine&) = delete;

    sim::SimMachine& Machine() { return m_machine; }
    const std::filesystem::path& Root() const { return m_root; }

    // Writes content at a Windows path of the machine, making its folders.
    bool WriteFile(const std::string& windowsPath, const std::string& content) {
        const auto path = m_machine.HostPath(windowsPath);
        std::filesystem::create_directories(path.parent_path());
        std::FILE* file = std::fopen(path.string().c_str(), "wb");
        if (file == nullptr) return false;
        const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
        return std::fclose(file) == 0 && written;
    }

private:
    static std::filesystem::path MakeRoot(const std::string& tag) {
        std::string pattern = (std::filesystem::temp_directory_path() / ("qv-" + tag + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder for " + tag);
        std::filesystem::path root(pattern);
        std::filesystem::create_directories(root / "C");
        return root;
    }

    std::filesystem::path m_root;  // made before the machine, removed after it
    sim::SimMachine m_machine;
};

}  // namespace qv::test
