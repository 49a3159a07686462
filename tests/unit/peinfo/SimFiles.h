// A sim machine over a fresh host folder, installed as the platform for one
// test: files written under "C:\\" land in the folder, and the current
// directory is "C:\\work".
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/SimMachine.h"
#include "tests/support/TempSimMachine.h"

namespace qv::test {

class SimFiles {
public:
    SimFiles() : m_temp("peinfo") {
        std::filesystem::create_directories(WorkDir());
        m_temp.Machine().SetCurrentDirectory("C:\\work");
        SetPlatform(&m_temp.Machine());
    }
    ~SimFiles() { SetPlatform(nullptr); }
    SimFiles(const SimFiles&) = delete;
    SimFiles& operator=(const SimFiles&) = delete;

    // Writes bytes to C:\work\<name> and returns its Windows path.
    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream out(WorkDir() / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return "C:\\work\\" + name;
    }
    std::filesystem::path WorkDir() const { return m_temp.Root() / "C" / "work"; }
    std::vector<uint8_t> Read(const std::string& name) const { return ReadHostFile(WorkDir() / name); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(WorkDir() / name); }
    sim::SimMachine& Machine() { return m_temp.Machine(); }

    static std::vector<uint8_t> ReadHostFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    TempSimMachine m_temp;
};

}  // namespace qv::test
