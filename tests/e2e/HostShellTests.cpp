// plughost.exe end to end with the test plugins: one-shot commands, standard input and batch
// files, the built-in commands, exit codes, the printf conversions and non-ASCII text crossing
// the DLL boundary as UTF-8, and random batch files that must not crash the shell.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <random>

using testing_support::BuildDir;
using testing_support::RunPlughost;
using testing_support::RunResult;
using testing_support::TempTree;

namespace {

std::wstring Probe() {
    return L"\"" + BuildDir() + L"\\hostprobe.dll\"";
}
std::wstring BareProbe() {
    return L"\"" + BuildDir() + L"\\hostprobebare.dll\"";
}

std::string SystemText(DWORD code) {
    wchar_t buffer[1024] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                   nullptr, code, 0, buffer, 1024, nullptr);
    std::wstring text = buffer;
    while (!text.empty() && iswspace(text.back()))
        text.pop_back();
    return testing_support::ToUtf8(text);
}

struct ShellCase {
    const char* label;
    std::wstring arguments;
    std::string input; // standard input
    std::vector<std::wstring> env;
    std::string out;
    std::string err;
    int exitCode;
};

void RunCases(const std::vector<ShellCase>& cases, const std::wstring& workDir = L"") {
    for (const ShellCase& c : cases) {
        SCOPED_TRACE(c.label);
        RunResult r = RunPlughost(c.arguments, workDir, c.env, c.input);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.exitCode, c.exitCode);
    }
}

const std::string kUsage =
    "Usage: plughost [--transient] [--pipe] [--batch FILE] PLUGIN.dll [COMMAND WORDS...]\r\n";

TEST(HostShell, OneShotCommands) {
    const std::wstring t = L"--transient " + Probe() + L" ";
    RunCases({
        {"words joined, words with blanks quoted again",
         t + L"probe args one \"two words\" three",
         "",
         {},
         "[one \"two words\" three]\r\n",
         "",
         0},
        {"command name in any case", t + L"PROBE args x", "", {}, "[x]\r\n", "", 0},
        {"second implemented name; blanks between words become one",
         t + L"probenext a  b",
         "",
         {},
         "next:[a b]\r\n",
         "",
         0},
        {"a word that holds blanks keeps them",
         t + L"probenext \"a  b\"",
         "",
         {},
         "next:[\"a  b\"]\r\n",
         "",
         0},
        {"the command's result is the exit status", t + L"probe exit 42", "", {}, "", "", 42},
        {"negative result", t + L"probe exit -2", "", {}, "", "", -2},
        {"variables expanded before the command runs",
         t + L"probe args %HT_SHELL and %@comma[12345]",
         "",
         {L"HT_SHELL=fruit"},
         "[fruit and 12,345]\r\n",
         "",
         0},
        {"a command listed with * gets its text as typed",
         t + L"proberaw %HT_SHELL %%",
         "",
         {L"HT_SHELL=fruit"},
         "raw:[%HT_SHELL %%]\r\n",
         "",
         0},
        {"the host fills in the module", t + L"probe module", "", {}, "1 hostprobe.dll\r\n", "", 0},
        {"argument buffer of 8192 characters", t + L"probe fill", "", {}, "8191\r\n", "", 0},
        {"echo", t + L"echo a %%b %@comma[1234]", "", {}, "a %b 1,234\r\n", "", 0},
        {"echo without text", t + L"echo", "", {}, "\r\n", "", 0},
        {"unknown command", t + L"nosuch 1 2", "", {}, "", "Unknown command \"nosuch\"\r\n", 1},
        {"failed expansion runs nothing",
         t + L"echo %@nosuch[1]",
         "",
         {},
         "",
         "Unknown function \"@nosuch\"\r\n",
         1},
        {"exit with a number", t + L"exit 9", "", {}, "", "", 9},
        {"internal variables of a transient shell",
         t + L"echo %_transient%_pipe%_batch",
         "",
         {},
         "100\r\n",
         "",
         0},
        {"pipe shell", L"--pipe " + Probe() + L" echo %_transient%_pipe", "", {}, "01\r\n", "", 0},
    });
}

TEST(HostShell, LoadAndShutdown) {
    RunCases({
        {"interactive shell: the plugin's load and shutdown messages",
         Probe() + L" echo x",
         "",
         {},
         "Probe loaded.\r\nx\r\nProbe shut down.\r\n",
         "",
         0},
        {"plugin without plugin information answers to scrutel",
         L"--transient " + BareProbe() + L" scrutel a b",
         "",
         {},
         "bare:[a b]\r\n",
         "",
         4},
        {"plugin without plugin information, any case",
         L"--transient " + BareProbe() + L" SCRUTEL",
         "",
         {},
         "bare:[]\r\n",
         "",
         4},
        {"plugin without plugin information has no other command",
         L"--transient " + BareProbe() + L" probe",
         "",
         {},
         "",
         "Unknown command \"probe\"\r\n",
         1},
    });
    std::string refused = "The plugin \"" + testing_support::ToUtf8(BuildDir()) +
                          "\\hostprobe.dll\" did not start (InitializePlugin returned -1)\r\n";
    RunCases({{"a plugin that refuses to start",
               L"--transient " + Probe() + L" echo x",
               "",
               {L"PROBE_REFUSE=1"},
               "",
               refused,
               1}});
}

TEST(HostShell, CommandLineMistakes) {
    RunCases({
        {"no arguments", L"", "", {}, "", kUsage, 1},
        {"unknown option", L"--bogus " + Probe(), "", {}, "", "Unknown option \"--bogus\"\r\n" + kUsage, 1},
        {"batch file and command together",
         L"--batch x.btm " + Probe() + L" echo x",
         "",
         {},
         "",
         "Give either --batch FILE or a command, not both\r\n" + kUsage,
         1},
        {"plugin that does not exist",
         L"--transient nosuch-plugin.dll echo x",
         "",
         {},
         "",
         "Cannot load the plugin \"nosuch-plugin.dll\": " + SystemText(ERROR_MOD_NOT_FOUND) + "\r\n",
         1},
        {"batch file that does not exist",
         L"--transient --batch nosuch.btm " + Probe(),
         "",
         {},
         "",
         "Cannot open the batch file \"nosuch.btm\": " + SystemText(ERROR_FILE_NOT_FOUND) + "\r\n",
         1},
    });
}

TEST(HostShell, StandardInput) {
    const std::wstring t = L"--transient " + Probe();
    RunCases({
        {"set, echo, skipped lines, exit",
         t,
         "set HT_A=one two\r\necho [%HT_A]\r\nrem echo no\r\nREM\r\n:: echo no\r\n\r\n   echo "
         "indented\r\nexit 3\r\n"
         "echo never\r\n",
         {},
         "[one two]\r\nindented\r\n",
         "",
         3},
        {"a variable set to nothing is removed",
         t,
         "set HT_B=x\nset HT_B=\necho [%HT_B]\n",
         {},
         "[]\r\n",
         "",
         0},
        {"set without a name", t, "set =x\n", {}, "", "Usage: set NAME=VALUE\r\n", 1},
        {"exit without a number keeps the last result", t, "probe exit 6\nexit\necho never\n", {}, "", "", 6},
        {"exit with text that is no number",
         t,
         "exit abc\n",
         {},
         "",
         "Not a number for exit: \"abc\"\r\n",
         1},
        {"the last command's result counts",
         t,
         "nosuch\necho ok\n",
         {},
         "ok\r\n",
         "Unknown command \"nosuch\"\r\n",
         0},
        {"skipped lines leave the result", t, "nosuch\nrem\n\n", {}, "", "Unknown command \"nosuch\"\r\n", 1},
        {"last line without a line end", t, "echo last", {}, "last\r\n", "", 0},
        {"UTF-8 input with a byte-order mark",
         t,
         "\xEF\xBB\xBF"
         "echo caf\xC3\xA9\r\n",
         {},
         "caf\xC3\xA9\r\n",
         "",
         0},
        {"no input", t, "", {}, "", "", 0},
        {"a line of 9000 characters runs",
         t,
         "echo " + std::string(9000, 'x') + "\necho after\n",
         {},
         std::string(9000, 'x') + "\r\nafter\r\n",
         "",
         0},
        {"a line of 32767 characters runs",
         t,
         "echo " + std::string(32762, 'y') + "\n",
         {},
         std::string(32762, 'y') + "\r\n",
         "",
         0},
        {"a line longer than 32767 characters",
         t,
         "echo " + std::string(32763, 'x') + "\necho after\n",
         {},
         "after\r\n",
         "The command line is longer than 32767 characters\r\n",
         0},
        {"a line that expands past 32767 characters",
         t,
         "set BIG=" + std::string(20000, 'b') + "\necho %[BIG]%[BIG]\necho after\n",
         {},
         "after\r\n",
         "The expanded text is longer than 32767 characters\r\n",
         0},
    });
}

TEST(HostShell, ConversionsCrossTheDllBoundary) {
    RunCases({
        {"each printf conversion",
         L"--transient " + Probe() + L" probe formats",
         "",
         {},
         "s=wide "
         "text|\r\nc=W|\r\nI64u=18446744073709551615|\r\nu=4000000000|\r\nd=-42|\r\nX=BEEF|\r\n02X=07|\r\n"
         "08X=0000ABCD|\r\n.2f=3.14|\r\nQ=out 1234567890123|\r\nP=100% plain|\r\n",
         "E=err 7|\r\n",
         0},
        {"non-ASCII text as UTF-8 without byte-order mark",
         L"--transient " + Probe() + L" probe unicode",
         "",
         {},
         "dash \xE2\x80\x94 quotes \xE2\x80\x9Cq\xE2\x80\x9D ellipsis \xE2\x80\xA6 times \xC3\x97\r\n",
         "\xE2\x80\x94\xE2\x80\xA6\r\n",
         0},
        {"non-ASCII command words",
         L"--transient " + Probe() + L" echo \u00D7 \u2014",
         "",
         {},
         "\xC3\x97 \xE2\x80\x94\r\n",
         "",
         0},
    });
}

TEST(HostShell, BatchFiles) {
    TempTree tree;
    std::wstring plain = tree.file(L"Run.btm", "echo start %_batch\r\n"
                                               "probe expand %%_batchname [%%_batchline]  \r\n"
                                               "rem skipped\r\n"
                                               "probe args line %_batchline\r\n"
                                               "exit 5\r\n"
                                               "echo never\r\n");
    std::wstring percent = tree.file(L"100% sure.btm", "probe expand %%_batchname\nnosuch\n");
    std::wstring utf16 = tree.file(L"wide.btm", std::string("\xFF\xFE"
                                                            "e\0c\0h\0o\0 \0\xE9\0 \0\x14 \r\0\n\0",
                                                            22));
    std::wstring noEnd = tree.file(L"noend.btm", "echo %_batchline\nprobe exit 7");
    std::wstring empty = tree.file(L"empty.btm", "");
    std::wstring relative = tree.file(L"rel.btm", "echo %_batchname\n");
    std::string plainName = testing_support::ToUtf8(plain);
    RunCases(
        {
            {"batch file",
             L"--transient --batch \"" + plain + L"\" " + Probe(),
             "",
             {},
             "start 1\r\n0[" + plainName + " [2]  ]\r\n[line 4]\r\n",
             "",
             5},
            {"batch name with a percent sign",
             L"--transient --batch \"" + percent + L"\" " + Probe(),
             "",
             {},
             "0[" + testing_support::ToUtf8(percent) + "]\r\n",
             "Unknown command \"nosuch\"\r\n",
             1},
            {"UTF-16 batch file",
             L"--transient --batch \"" + utf16 + L"\" " + Probe(),
             "",
             {},
             "\xC3\xA9 \xE2\x80\x94\r\n",
             "",
             0},
            {"last line without a line end",
             L"--transient --batch \"" + noEnd + L"\" " + Probe(),
             "",
             {},
             "1\r\n",
             "",
             7},
            {"empty batch file", L"--transient --batch \"" + empty + L"\" " + Probe(), "", {}, "", "", 0},
            {"relative batch name becomes the full name",
             L"--transient --batch REL.BTM " + Probe(),
             "",
             {},
             testing_support::ToUtf8(relative) + "\r\n",
             "",
             0},
        },
        tree.root());
}

TEST(HostShell, RandomBatchFilesNeverCrashTheShell) {
    TempTree tree;
    std::mt19937 generator(8128u); // fixed generator state: the same files every run
    const std::string pieces[] = {"echo ", "set ", "exit x",   "rem ", "::",    "%",
                                  "%%",    "%@",   "%[",       "[",    "]",     "@comma[",
                                  "\r\n",  "\n",   "\r",       " ",    "\"",    std::string(1, '\0'),
                                  "\xFF",  "\xC3", "\xE2\x80", "a",    "_batch"};
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> coin(0, 3);
    for (int iteration = 0; iteration < 8; ++iteration) {
        SCOPED_TRACE(iteration);
        std::string bytes;
        for (int k = 0; k < 300; ++k) {
            if (coin(generator) == 0)
                bytes += static_cast<char>(byte(generator));
            else
                bytes += pieces[pick(generator)];
        }
        std::wstring file = tree.file(L"random" + std::to_wstring(iteration) + L".btm", bytes);
        RunResult r = RunPlughost(L"--transient --batch \"" + file + L"\" " + Probe());
        // Every line either ran a built-in, was skipped, or failed with a message: the shell
        // ends normally with 0 or 1, never with an exception code.
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << "exit code " << r.exitCode;
    }
}

} // namespace
