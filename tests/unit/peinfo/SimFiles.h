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

namespace qv::test {

class SimFiles {
public:
    SimFiles() : m_root(MakeRoot()), m_machine(m_root) {
        std::filesystem::create_directories(m_root / "C" / "work");
        m_machine.SetCurrentDirectory("C:\\work");
        SetPlatform(&m_machine);
    }
    ~SimFiles() {
        SetPlatform(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    SimFiles(const SimFiles&) = delete;
    SimFiles& operator=(const SimFiles&) = delete;

    // Writes bytes to C:\work\<name> and returns its Windows path.
    std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream out(WorkDir() / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return "C:\\work\\" + name;
    }
    std::filesystem::path WorkDir() const { return m_root / "C" / "work"; }
    std::vector<uint8_t> Read(const std::string& name) const { return ReadHostFile(WorkDir() / name); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(WorkDir() / name); }
    sim::SimMachine& Machine() { return m_machine; }

    static std::vector<uint8_t> ReadHostFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    static std::filesystem::path MakeRoot() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qv-peinfo-XXXXXX").string();
        return std::filesystem::path(::mkdtemp(pattern.data()));
    }

    std::filesystem::path m_root;
    sim::SimMachine m_machine;
};

}  // namespace qv::test
