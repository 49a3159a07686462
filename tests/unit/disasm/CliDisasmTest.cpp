// quorvane-cli disasm, run as a program: exact listing bytes and exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace qv::test {
namespace {

struct Result {
    std::string out;
    int status = -1;
};

Result RunCli(const std::string& arguments) {
    Result result;
    const std::string command = std::string(QV_CLI_PATH) + " disasm " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class CliDisasm : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = std::filesystem::temp_directory_path() / ("qv_cli_disasm_" + std::to_string(::getpid()) + ".bin");
        // push ebp; mov ebp,esp; rep movs; 66 66 90; call cut off after 2 bytes
        const unsigned char code[] = {0x55, 0x8B, 0xEC, 0xF3, 0xA5, 0x66, 0x66, 0x90, 0xE8, 0x01};
        std::ofstream(m_file, std::ios::binary).write(reinterpret_cast<const char*>(code), sizeof code);
    }
    void TearDown() override { std::filesystem::remove(m_file); }
    std::filesystem::path m_file;
};

TEST_F(CliDisasm, ListsWholeFileInListingFormat) {
    const Result r = RunCli(m_file.string() + " --address 401000");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "  00401000:\tPUSH EBP\t; \r\n"
              "  00401001:\tMOV EBP, ESP\t; \r\n"
              "  00401003:\tREP MOVS\t; Dword ptr ES:[edi], Dword ptr DS:[esi]\r\n"
              "  00401005:\t\t; Prefix DataSize:\r\n"
              "  00401006:\tNOP\t; \r\n"
              "  00401008:\tCALL 0040100E\t; <Cut off at end of code>\r\n");
}

TEST_F(CliDisasm, OffsetAndLengthSelectARange) {
    const Result r = RunCli(m_file.string() + " --offset 1 --length 4 --address 1000");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "  00001000:\tMOV EBP, ESP\t; \r\n"
              "  00001002:\tREP MOVS\t; Dword ptr ES:[edi], Dword ptr DS:[esi]\r\n");
    EXPECT_EQ(RunCli(m_file.string() + " --offset 0x8").out, "  00000000:\tCALL 00000006\t; <Cut off at end of code>\r\n");
}

TEST_F(CliDisasm, UsageErrors) {
    for (const std::string& arguments :
         {std::string(), m_file.string() + " --offset", m_file.string() + " --offset x", m_file.string() + " --bogus",
          m_file.string() + " --address 1FFFFFFFF", m_file.string() + " --offset 11", std::string("/nonexistent/file")}) {
        SCOPED_TRACE(arguments);
        const Result r = RunCli(arguments);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
}  // namespace qv::test
