// The resource script that Quorvane.exe is built with and the dialog tables
// that the headless windows are built from must describe the same dialogs.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ui/DialogTemplates.h"

namespace qv::test {
namespace {

std::string ReadSource(const std::string& relative) {
    std::ifstream file(std::string(QV_SOURCE_DIR) + "/" + relative);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// The #define lines of the two headers the script includes.
std::map<std::string, std::string> Defines() {
    std::map<std::string, std::string> defines;
    const std::regex define(R"(#define\s+(\w+)\s+(.+))");
    for (const char* header : {"ui/Resource.h", "ui/Contact.h"}) {
        std::istringstream lines(ReadSource(header));
        for (std::string line; std::getline(lines, line);) {
            std::smatch match;
            if (std::regex_match(line, match, define)) defines[match[1]] = match[2];
        }
    }
    return defines;
}

ControlKind KindOf(const std::string& windowClass, const std::string& style) {
    if (windowClass == "SysListView32") return ControlKind::ListView;
    if (windowClass == "Static") return ControlKind::Static;
    if (windowClass == "Edit") return style.find("ES_MULTILINE") != std::string::npos ? ControlKind::MultiLineEdit
                                                                                       : ControlKind::Edit;
    return style.find("BS_AUTOCHECKBOX") != std::string::npos ? ControlKind::CheckBox : ControlKind::PushButton;
}

struct ScriptDialog {
    std::string header;
    std::string caption;
    std::vector<ControlTemplate> controls;
    std::vector<std::string> texts;  // owned copies for the controls' text pointers
};

ScriptDialog ReadDialog(const std::string& script, const std::string& name) {
    ScriptDialog dialog;
    const auto defines = Defines();
    const auto value = [&](const std::string& token) {
        const auto found = defines.find(token);
        return found == defines.end() ? token : found->second;
    };
    const size_t start = script.find("\n" + name + " DIALOGEX");
    EXPECT_NE(start, std::string::npos) << name;
    if (start == std::string::npos) return dialog;
    const size_t end = script.find("\nEND", start);
    std::istringstream lines(script.substr(start + 1, end - start));
    const std::regex control(R"re(\s*CONTROL\s+([^,]+),\s*(\w+),\s*"(\w+)",\s*([^,]+),\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+))re");
    const std::regex caption(R"re(CAPTION\s+"(.*)")re");
    std::getline(lines, dialog.header);
    dialog.texts.reserve(64);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, caption)) dialog.caption = match[1];
        if (!std::regex_match(line, match, control)) continue;
        std::string text = value(match[1]);
        dialog.texts.push_back(text.substr(1, text.size() - 2));
        const std::string style = match[4];
        dialog.controls.push_back(ControlTemplate{std::stoi(value(match[2])), KindOf(match[3], style),
                                                  dialog.texts.back().c_str(), std::stoi(match[5]),
                                                  std::stoi(match[6]), std::stoi(match[7]), std::stoi(match[8]),
                                                  style.find("NOT WS_VISIBLE") == std::string::npos,
                                                  style.find("WS_DISABLED") == std::string::npos});
    }
    return dialog;
}

TEST(ResourceScriptTest, BothDialogsMatchTheirTablesControlByControlInOrder) {
    const std::string script = ReadSource("ui/Quorvane.rc");
    ASSERT_FALSE(script.empty());
    for (const auto& [name, table] : {std::pair{"IDD_QUORVANE_DIALOG", &kMainDialogTemplate},
                                      std::pair{"IDD_ABOUTBOX", &kAboutDialogTemplate}}) {
        const ScriptDialog dialog = ReadDialog(script, name);
        EXPECT_EQ(dialog.header, std::string(name) + " DIALOGEX 0, 0, " + std::to_string(table->width) + ", " +
                                     std::to_string(table->height));
        EXPECT_EQ(dialog.caption, table->caption);
        ASSERT_EQ(dialog.controls.size(), table->controls.size()) << name;
        for (size_t i = 0; i < dialog.controls.size(); ++i) {
            const ControlTemplate& got = dialog.controls[i];
            const ControlTemplate& want = table->controls[i];
            const auto row = [](const ControlTemplate& c) {
                std::ostringstream text;
                text << c.id << " " << static_cast<int>(c.kind) << " \"" << c.text << "\" " << c.x << "," << c.y << ","
                     << c.width << "," << c.height << (c.visible ? " visible" : " hidden")
                     << (c.enabled ? " enabled" : " disabled");
                return text.str();
            };
            EXPECT_EQ(row(got), row(want)) << name << " control " << i;
        }
    }
    EXPECT_NE(script.find("IDR_MAINFRAME ICON"), std::string::npos);
    EXPECT_NE(script.find("VS_VERSION_INFO VERSIONINFO"), std::string::npos);
    const std::string manifest = ReadSource("ui/Quorvane.manifest");
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
}

}  // namespace
}  // namespace qv::test
