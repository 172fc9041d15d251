// Each program's manual page against the program itself: the options its --help lists and the
// options the page's OPTIONS section documents are the same set, the exit statuses --help names
// are the ones the page's EXIT STATUS section gives, and --version and the page's title carry
// the build's version. The programs are run for real; the window is run without any display,
// as a packaged program is asked for --help on a server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "node_process.h"
#include "temp_dir.h"

namespace {

using Words = std::set<std::string>;

const std::vector<std::string> kPrograms = {"kestrun", "kestrun-headless", "kestrun-node-sim"};

// The program's output (standard output and error) for args, with no display to open.
std::string runProgram(const std::string& name, const std::vector<std::string>& args, int& status) {
    TempDir dir;
    std::string out = dir.file("out.txt");
    ChildProcess child(binaryPath(name), args, out,
                       {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    status = child.wait(60000);
    return fileExists(out) ? readText(out) : std::string();
}

std::string manPage(const std::string& name) {
    return readText(std::string(KESTRUN_SOURCE_DIR) + "/packaging/man/" + name + ".1");
}

// Roff text as it reads: font changes dropped, "\-" as "-", "\e" as "\".
std::string plainRoff(std::string line) {
    line = std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
    line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
    return std::regex_replace(line, std::regex(R"(\\e)"), "\\");
}

// Option names in text: "-x" or "--long-name" standing at the start of a word (or of Markdown's
// `code`).
Words optionNames(const std::string& text) {
    static const std::regex option(R"((?:^|[\s\[,(|`])(--?[A-Za-z?][A-Za-z0-9-]*))");
    Words found;
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) {
        found.insert((*it)[1]);
    }
    return found;
}

// The tag lines (the line after each ".TP") of one section of a manual page, as they read,
// without their macro name.
std::vector<std::string> sectionTags(const std::string& page, const std::string& section) {
    std::vector<std::string> tags;
    bool inSection = false;
    bool tagNext = false;
    for (const std::string& line : linesOf(page)) {
        if (line.starts_with(".SH ")) {
            inSection = plainRoff(line.substr(4)) == section;
        } else if (inSection && tagNext) {
            std::string text =
                line.starts_with(".") ? line.substr(line.find_first_of(" ") + 1) : line;
            tags.push_back(plainRoff(text));
        }
        tagNext = inSection && line == ".TP";
    }
    return tags;
}

Words sectionNames(const std::string& page) {
    Words names;
    for (const std::string& line : linesOf(page)) {
        if (line.starts_with(".SH ")) {
            names.insert(plainRoff(line.substr(4)));
        }
    }
    return names;
}

Words documentedOptions(const std::string& page) {
    Words all;
    for (const std::string& tag : sectionTags(page, "OPTIONS")) {
        all.merge(optionNames(tag));
    }
    return all;
}

// The numbers of "Exit status: 0 after Quit, 1 bad options, ..." in a help text; empty when
// the text names none.
Words helpExitStatuses(const std::string& help) {
    Words found;
    size_t at = help.find("Exit status:");
    if (at == std::string::npos) {
        return found;
    }
    std::string sentence = help.substr(at, help.find('\n', at) - at);
    static const std::regex status(R"((?:: |, )(\d+) )");
    for (std::sregex_iterator it(sentence.begin(), sentence.end(), status), end; it != end; ++it) {
        found.insert((*it)[1]);
    }
    return found;
}

Words manExitStatuses(const std::string& page) {
    Words found;
    for (const std::string& tag : sectionTags(page, "EXIT STATUS")) {
        found.insert(tag);
    }
    return found;
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string joined(const Words& words) {
    std::string out;
    for (const std::string& w : words) {
        out += (out.empty() ? "" : " ") + w;
    }
    return out;
}

class ManPageTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (!fileExists(binaryPath(GetParam()))) {
            GTEST_SKIP() << GetParam() << " is not built here";
        }
    }
};

TEST_P(ManPageTest, DocumentsExactlyTheOptionsOfHelp) {
    int status = 0;
    std::string help = runProgram(GetParam(), {"--help"}, status);
    ASSERT_EQ(status, 0) << help;
    Words listed = optionNames(help);
    Words documented = documentedOptions(manPage(GetParam()));
    ASSERT_FALSE(listed.empty()) << help;
    Words undocumented;
    std::set_difference(listed.begin(), listed.end(), documented.begin(), documented.end(),
                        std::inserter(undocumented, undocumented.end()));
    Words stale;
    std::set_difference(documented.begin(), documented.end(), listed.begin(), listed.end(),
                        std::inserter(stale, stale.end()));
    EXPECT_TRUE(undocumented.empty()) << "missing from the manual page: " << joined(undocumented);
    EXPECT_TRUE(stale.empty()) << "documented but not in --help: " << joined(stale);
}

TEST_P(ManPageTest, HasEverySectionAndTheExitStatusesOfHelp) {
    std::string page = manPage(GetParam());
    for (const char* section : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS",
                                "ENVIRONMENT", "FILES", "SEE ALSO"}) {
        EXPECT_TRUE(sectionNames(page).contains(section)) << section;
    }
    EXPECT_FALSE(manExitStatuses(page).empty());
    int status = 0;
    Words named = helpExitStatuses(runProgram(GetParam(), {"--help"}, status));
    if (!named.empty()) {
        EXPECT_EQ(joined(named), joined(manExitStatuses(page)));
    }
}

TEST_P(ManPageTest, VersionNamesTheProgramAndTheBuild) {
    int status = 0;
    std::string out = runProgram(GetParam(), {"--version"}, status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(lowered(out), GetParam() + " " KESTRUN_VERSION "\n");
    std::string title = linesOf(manPage(GetParam())).at(0);
    EXPECT_NE(title.find("\"Kestrun " KESTRUN_VERSION "\""), std::string::npos) << title;
}

// A restart cannot mend any failure kestrun-headless ends with (bad options, not configured,
// another farm on its folders): the user unit must not restart on any of them, or a farm refused
// for another one that runs would be started again every few seconds for ever.
TEST(ServiceUnit, RestartsOnNoExitStatusOfTheManualPage) {
    std::string unit =
        readText(std::string(KESTRUN_SOURCE_DIR) + "/packaging/kestrun-headless.service.in");
    Words prevented;
    for (const std::string& line : linesOf(unit)) {
        if (line.starts_with("RestartPreventExitStatus=")) {
            std::istringstream words(line.substr(line.find('=') + 1));
            for (std::string w; words >> w;) {
                prevented.insert(w);
            }
        }
    }
    Words failures = manExitStatuses(manPage("kestrun-headless"));
    failures.erase("0");
    ASSERT_FALSE(failures.empty());
    EXPECT_EQ(joined(prevented), joined(failures));
}

INSTANTIATE_TEST_SUITE_P(Programs, ManPageTest, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// The operator's manual (opened by F1) tells of the window's options as its manual page does:
// every long option the page documents is named there.
TEST(ManPage, TheOperatorsManualNamesTheWindowsOptions) {
    std::string manual = readText(std::string(KESTRUN_SOURCE_DIR) + "/docs/MANUAL.md");
    Words inManual = optionNames(manual);
    for (const std::string& option : documentedOptions(manPage("kestrun"))) {
        if (option.starts_with("--")) {
            EXPECT_TRUE(inManual.contains(option)) << option << " is not in docs/MANUAL.md";
        }
    }
}

// The parse the checks above rely on: a new option in --help with no entry on the page shows up.
TEST(ManPageParse, FindsAnOptionAddedToHelpButNotToThePage) {
    std::string page =
        ".SH OPTIONS\n.TP\n.BI \\-\\-max\\-ticks \" N\"\n.TP\n"
        ".BR \\-h \", \" \\-\\-help\n.SH EXIT STATUS\n.TP\n.B 0\n";
    EXPECT_EQ(joined(documentedOptions(page)), "--help --max-ticks -h");
    std::string help =
        "usage: x [--max-ticks N] [--web-port N]\n  -h, --help  this text\n"
        "Exit status: 0 after Quit, 2 not configured.\n";
    EXPECT_EQ(joined(optionNames(help)), "--help --max-ticks --web-port -h");
    EXPECT_EQ(joined(helpExitStatuses(help)), "0 2");
    EXPECT_EQ(joined(manExitStatuses(page)), "0");
}

}  // namespace
