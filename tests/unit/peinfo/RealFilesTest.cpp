// The reports on real PE files nobody here wrote (Wine's DLLs and programs)
// and on MinGW-built fixtures, compared with independent readers: the
// section table, imports, exports, base relocations and debug directory
// with llvm-readobj, the dumper's icons, cursors and bitmaps with wrestool.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "peinfo/FileListings.h"
#include "peinfo/PeReports.h"
#include "tests/unit/peinfo/ReportRunner.h"
#include "tests/unit/peinfo/SimFiles.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using test::RunReport;
using test::SimFiles;

std::vector<std::string> RealPeFiles() {
    std::vector<std::string> files;
#ifdef QV_PE_FIXTURES
    for (const char* name : {"fixapp.exe", "fixlib.dll", "plain.exe"}) files.push_back(std::string(QV_PE_FIXTURES) + "/" + name);
#endif
    for (const char* name : {"kernel32.dll", "comctl32.dll", "notepad.exe"}) {
        const fs::path path = fs::path(QV_WINE_PE_DIR) / name;
        if (fs::exists(path)) files.push_back(path.string());
    }
    return files;
}

std::string Capture(const std::string& command) {
    std::string out;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

#ifdef QV_LLVM_READOBJ
std::string ReadObj(const std::string& options, const std::string& file) {
    return Capture(std::string(QV_LLVM_READOBJ) + " " + options + " '" + file + "'");
}
#endif

std::string Format(const char* format, auto... args) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

std::vector<uint8_t> FileBytes(const std::string& path) { return SimFiles::ReadHostFile(path); }

// "Key: value" of a line of llvm-readobj's output.
bool Field(const std::string& line, const std::string& key, std::string& value) {
    const size_t at = line.find(key + ": ");
    if (at == std::string::npos || line.find_first_not_of(' ') != at) return false;
    value = line.substr(at + key.size() + 2);
    return true;
}
uint32_t Number(const std::string& text) { return static_cast<uint32_t>(std::stoul(text, nullptr, 0)); }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

#ifdef QV_LLVM_READOBJ
TEST(RealFiles, HeadersAndSectionTable) {
    for (const std::string& file : RealPeFiles()) {
        std::string expected = "\nPE file section info:\r\n";
        std::string value;
        std::string sectionCount;
        for (const std::string& line : Lines(ReadObj("--file-headers --sections", file))) {
            if (Field(line, "SectionCount", value)) sectionCount = value;
            if (Field(line, "Name", value)) {
                // The raw name field in hex, e.g. ".text (2E 74 65 78 74 00 00 00)".
                std::string name;
                std::istringstream bytes(value.substr(value.rfind('(') + 1));
                for (std::string hex; bytes >> hex && hex != "00" && hex != "00)";) {
                    name.push_back(static_cast<char>(std::stoul(hex, nullptr, 16)));
                }
                expected += "Section: " + name + "\t";
            }
            if (Field(line, "VirtualSize", value)) expected += Format("VirtualSize: %x\t", Number(value));
            if (Field(line, "VirtualAddress", value)) expected += Format("VirtualAddress: 0x%08x\t", Number(value));
            if (Field(line, "RawDataSize", value)) expected += Format("SizeOfRawData: %x\t", Number(value));
            if (line.find("Characteristics [ (") != std::string::npos && line.find("    Characteristics") == 0) {
                expected += Format("Characteristics: %X\r\n", Number(line.substr(line.find("(0x") + 1)));
            }
        }
        const std::vector<uint8_t> image = FileBytes(file);
        EXPECT_EQ(RunReport(&ReportSections, image), expected) << file;
        EXPECT_EQ(RunReport(&ReportFileHeader, image).rfind("CPU unknown\r\nFile section number: " + sectionCount + "\r\n", 0), 0u)
            << file;
    }
}

TEST(RealFiles, ImportTables) {
    for (const std::string& file : RealPeFiles()) {
        std::string report;
        std::string listing;
        uint32_t addressTable = 0;
        uint32_t slot = 0;
        std::string value;
        for (const std::string& line : Lines(ReadObj("--coff-imports", file))) {
            if (line.rfind("DelayImport", 0) == 0) break;
            if (Field(line, "Name", value)) {
                report += "Module: " + value + "\r\n";
                listing += "Dll FileName: " + value + "\r\n";
                slot = 0;
            }
            if (Field(line, "ImportAddressTableRVA", value)) addressTable = Number(value);
            if (Field(line, "Symbol", value)) {
                // "name (hint)", or " (ordinal)" for an import by ordinal.
                const std::string name = value.substr(0, value.rfind(" ("));
                const uint32_t number = Number(value.substr(value.rfind('(') + 1));
                if (name.empty()) {
                    listing += Format(" %x (ord.)\r\n", number);
                } else {
                    report += Format("Import function: %-25s,Function Address: %X\r\n", name.c_str(), addressTable + 8 * slot);
                    listing += " " + name + "\r\n";
                }
                ++slot;
            }
        }
        EXPECT_EQ(RunReport(&ReportImports, FileBytes(file)), report) << file;
        SimFiles sim;
        CTextLogWindow window;
        ListImportFunctions(file, &window);
        EXPECT_EQ(window.Text(), listing) << file;
    }
}

TEST(RealFiles, ExportTables) {
    for (const std::string& file : RealPeFiles()) {
        std::map<std::string, uint32_t> expected;  // named exports and their RVAs
        std::map<std::string, uint32_t> ordinals;
        std::string name;
        std::string value;
        uint32_t ordinal = 0;
        for (const std::string& line : Lines(ReadObj("--coff-exports", file))) {
            if (Field(line, "Ordinal", value)) ordinal = Number(value);
            if (Field(line, "Name", value)) name = value;
            if (Field(line, "RVA", value) && !name.empty()) {
                expected[name] = Number(value);
                ordinals[name] = ordinal;
            }
        }
        const std::string report = RunReport(&ReportExports, FileBytes(file));
        std::map<std::string, uint32_t> reported;
        std::set<int64_t> bases;  // ordinal - sequence: the directory's base for every name
        std::set<std::string> listedNames;
        for (const std::string& text : Lines(report)) {
            // "Function: NAME<blanks>, Addres: HEX<blanks>, Sequence: N\r"
            const size_t addressAt = text.find(", Addres: ");
            if (text.rfind("Function: ", 0) != 0 || addressAt == std::string::npos) continue;
            std::string exportName = text.substr(10, addressAt - 10);
            exportName.erase(exportName.find_last_not_of(' ') + 1);
            unsigned rva = 0;
            long long sequence = 0;
            if (std::sscanf(text.c_str() + addressAt, ", Addres: %x , Sequence: %lld", &rva, &sequence) != 2) continue;
            reported[exportName] = rva;
            bases.insert(int64_t{ordinals[exportName]} - sequence);
        }
        EXPECT_EQ(reported, expected) << file;
        if (!expected.empty()) {
            EXPECT_EQ(bases.size(), 1u) << file;
            EXPECT_NE(report.find(Format("Number of Function: ")), std::string::npos) << file;
        }

        SimFiles sim;
        CTextLogWindow window;
        ListExportFunctions(file, &window);
        for (const std::string& text : Lines(window.Text())) {
            if (text.rfind("Function Name: ", 0) == 0) listedNames.insert(text.substr(15, text.size() - 16));
        }
        std::set<std::string> names;
        for (const auto& [exportName, rva] : expected) names.insert(exportName);
        EXPECT_EQ(listedNames, names) << file;
    }
}

TEST(RealFiles, BaseRelocations) {
    const std::map<std::string, std::string> typeNames = {
        {"ABSOLUTE", "ABSOLUTE"}, {"HIGH", "HIGH"}, {"LOW", "LOW"}, {"HIGHLOW", "HIGHLOW"},
        {"HIGHADJ", "HIGHADJ"},   {"DIR64", "unknown"}};
    for (const std::string& file : RealPeFiles()) {
        std::string expected;
        std::string type;
        std::string value;
        for (const std::string& line : Lines(ReadObj("--coff-basereloc", file))) {
            if (Field(line, "Type", value)) type = typeNames.at(value);
            if (Field(line, "Address", value)) expected += Format("%s  %08X\r\n", type.c_str(), Number(value));
        }
        std::string entries;
        for (const std::string& text : Lines(RunReport(&ReportRelocations, FileBytes(file)))) {
            if (!text.empty() && text != "\r" && text.rfind("Virtual Address:", 0) != 0 && text.rfind("base relocations:", 0) != 0) {
                entries += text + "\n";
            }
        }
        EXPECT_EQ(entries, expected) << file;
    }
}

TEST(RealFiles, DebugDirectories) {
    size_t filesWithEntries = 0;
    for (const std::string& file : RealPeFiles()) {
        std::string table;
        std::string guids;
        std::string value;
        uint32_t characteristics = 0, timeStamp = 0, major = 0, minor = 0, type = 0, size = 0, address = 0;
        const std::map<uint32_t, std::string> typeNames = {{1, "COFF"}, {2, "CODEVIEW"}, {4, "MISC"}};
        for (const std::string& line : Lines(ReadObj("--coff-debug-directory", file))) {
            if (Field(line, "Characteristics", value)) characteristics = Number(value);
            if (Field(line, "TimeDateStamp", value)) timeStamp = Number(value.substr(value.rfind('(') + 1));
            if (Field(line, "MajorVersion", value)) major = Number(value);
            if (Field(line, "MinorVersion", value)) minor = Number(value);
            if (Field(line, "Type", value)) type = Number(value.substr(value.rfind('(') + 1));
            if (Field(line, "SizeOfData", value)) size = Number(value);
            if (Field(line, "AddressOfRawData", value)) address = Number(value);
            if (Field(line, "PointerToRawData", value)) {
                table += Format("  %s %08X %08X %08X %08X %08X %u.%02u\r\n", typeNames.at(type).c_str(), size, address,
                                Number(value), characteristics, timeStamp, major, minor);
            }
            if (Field(line, "PDBGUID", value)) {
                unsigned b[16];
                std::sscanf(value.c_str(), "(%X %X %X %X %X %X %X %X %X %X %X %X %X %X %X %X)", &b[0], &b[1], &b[2], &b[3],
                            &b[4], &b[5], &b[6], &b[7], &b[8], &b[9], &b[10], &b[11], &b[12], &b[13], &b[14], &b[15]);
                guids += Format("Signature: {%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x}", b[3], b[2],
                                b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
            }
        }
        const std::string report = RunReport(&ReportDebugFormats, FileBytes(file));
        if (table.empty()) {
            EXPECT_EQ(report, "") << file;
            continue;
        }
        ++filesWithEntries;
        EXPECT_EQ(report,
                  "Debug Formats in File\r\n"
                  "  Type            Size     Address  FilePtr  Charactr TimeData Version\r\n"
                  "  --------------- -------- -------- -------- -------- -------- --------\r\n" + table)
            << file;
        SimFiles sim;
        CTextLogWindow window;
        ReportDebugInfo(file, &window);
        EXPECT_NE(window.Text().find(guids), std::string::npos) << file << "\n" << window.Text();
    }
#ifdef QV_PE_FIXTURES
    EXPECT_GE(filesWithEntries, 2u);
#endif
}
#endif

#ifdef QV_WRESTOOL
// wrestool's extraction of every group icon (14), group cursor (12) and
// bitmap (2), keyed by the resource's name as the dumper names its files.
std::map<std::string, std::vector<uint8_t>> WrestoolFiles(const std::string& file, const fs::path& dir) {
    std::map<std::string, std::vector<uint8_t>> out;
    for (const char* type : {"14", "12", "2"}) {
        Capture(std::string(QV_WRESTOOL) + " -x -t" + type + " -o '" + dir.string() + "' '" + file + "' 2>/dev/null");
    }
    // "<file>_<type>_<name>[_<language>].<ext>"
    const std::string prefix = fs::path(file).filename().string() + "_";
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string fileName = entry.path().filename().string();
        if (fileName.rfind(prefix, 0) != 0) continue;
        const std::string rest = fileName.substr(prefix.size());  // "<type>_<name>[_<language>].<ext>"
        const size_t typeEnd = rest.find('_');
        const size_t dot = rest.rfind('.');
        std::string name = rest.substr(typeEnd + 1, dot - typeEnd - 1);
        name = name.substr(0, name.find('_'));
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        out[name + rest.substr(dot)] = SimFiles::ReadHostFile(entry.path());
    }
    return out;
}

TEST(RealFilesDumper, IconsCursorsAndBitmapsMatchWrestool) {
    size_t compared = 0;
    for (const std::string& file : RealPeFiles()) {
        SimFiles sim;
        CTextLogWindow window;
        DumpResources(file, &window);
        const fs::path wrestoolDir = sim.WorkDir() / "wrestool";
        fs::create_directories(wrestoolDir);
        for (const auto& [name, theirs] : WrestoolFiles(file, wrestoolDir)) {
            ASSERT_TRUE(sim.Exists(name)) << file << " " << name;
            std::vector<uint8_t> ours = sim.Read(name);
            const std::string extension = name.substr(name.size() - 3);
            if (extension != "bmp") {
                // wrestool copies as many bytes again as the group resource
                // holds from behind the last image; the images end before.
                ASSERT_LE(ours.size(), theirs.size()) << file << " " << name;
                ours.insert(ours.end(), theirs.begin() + static_cast<std::ptrdiff_t>(ours.size()), theirs.end());
            }
            if (extension == "cur") {
                // Our directory entries count the image bytes the file holds,
                // without the 4-byte hot spot that the group's size includes.
                const size_t count = ours[4] | (ours[5] << 8);
                for (size_t i = 0; i < count; ++i) {
                    const size_t at = 6 + 16 * i + 8;
                    const uint32_t bytes = ours[at] | (ours[at + 1] << 8) | (ours[at + 2] << 16) | (uint32_t{ours[at + 3]} << 24);
                    const uint32_t stated = bytes + 4;
                    for (int k = 0; k < 4; ++k) ours[at + k] = static_cast<uint8_t>(stated >> (8 * k));
                }
            }
            EXPECT_EQ(ours, theirs) << file << " " << name;
            ++compared;
        }
    }
#ifdef QV_PE_FIXTURES
    EXPECT_GE(compared, 6u);
#endif
}
#endif

#ifdef QV_PE_FIXTURES
TEST(RealFilesDumper, FixtureImagesComeBackAsTheyWentIn) {
    // The files the resource script embedded, extracted again: the .ico
    // and .cur files and the bitmaps equal the generator's files.
    SimFiles sim;
    CTextLogWindow window;
    DumpResources(std::string(QV_PE_FIXTURES) + "/fixapp.exe", &window);
    const std::map<std::string, std::string> pairs = {{"appicon.ico", "two.ico"}, {"7.ico", "one.ico"},
                                                      {"pointer.cur", "arrow.cur"}, {"101.bmp", "four.bmp"},
                                                      {"102.bmp", "true.bmp"},     {"logo.bmp", "used.bmp"}};
    for (const auto& [dumped, source] : pairs) {
        EXPECT_EQ(sim.Read(dumped), FileBytes(std::string(QV_PE_FIXTURES) + "/" + source)) << dumped;
    }
    const std::vector<uint8_t> script = sim.Read("fixapp.rc");
    EXPECT_EQ(std::string(script.begin(), script.end()),
              "// fixapp.rc\r\n\r\n"
              "LOGO BITMAP \"LOGO.bmp\"\r\n\r\n101 BITMAP \"101.bmp\"\r\n\r\n102 BITMAP \"102.bmp\"\r\n\r\n"
              "POINTER CURSOR \"POINTER.cur\"\r\n\r\nAPPICON ICON \"APPICON.ico\"\r\n\r\n7 ICON \"7.ico\"\r\n\r\n");
    EXPECT_NE(window.Text().find("Type = CONFIG\nName = 3\n"), std::string::npos);
}
#endif

}  // namespace
}  // namespace qv
