// A first run: a new experiment folder made by create, the man page and the completion
// installed with the program, and the runner's usage.
#include "CliFixture.h"

#include <cstdio>
#include <filesystem>

namespace {

const std::string kPrefix = TALVEX_PREFIX;

/// What a shell command prints on standard output.
std::string Shell(const std::string& command)
{
    std::string result;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p))
            result += buf;
        pclose(p);
    }
    return result;
}

} // namespace

TEST_F(CliTest, CreateMakesANewExperimentFolderInsideAnExistingOne)
{
    const std::string fresh = testsupport::TestDir() + "/Fresh";
    Result run = Talvex({"-e", fresh, "create", "1"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(testsupport::Exists(fresh + "/Shots/Shot1"));
    EXPECT_EQ(Talvex({"-e", fresh, "shots", "--csv"}).out.substr(0, 26),
              "Shot,Group,Date,Comment\n1,");
    // Through the environment as well; a bad shot name makes no folder.
    setenv("TALVEX_EXPERIMENT", (fresh + "2").c_str(), 1);
    EXPECT_EQ(Talvex({"create", "a/b"}).status, 1);
    EXPECT_FALSE(testsupport::Exists(fresh + "2"));
    EXPECT_EQ(Talvex({"create", "7"}).status, 0);
    unsetenv("TALVEX_EXPERIMENT");
    EXPECT_TRUE(testsupport::Exists(fresh + "2/Shots/Shot7"));
}

TEST_F(CliTest, TheManPageAndCompletionAreInstalledAndListEveryCommand)
{
    const std::string man = kPrefix + "/" TALVEX_MANDIR "/man1/talvex.1";
    const std::string completion = kPrefix
                                   + "/" TALVEX_DATADIR "/bash-completion/completions/talvex";
    ASSERT_TRUE(testsupport::Exists(man));
    ASSERT_TRUE(testsupport::Exists(completion));
    // Made from the installed program's help, so they agree with it.
    EXPECT_EQ(testsupport::ReadBytes(man), Talvex({"--man"}).out);
    EXPECT_EQ(testsupport::ReadBytes(completion), Talvex({"--completion", "bash"}).out);

    std::string page = testsupport::ReadBytes(man);
    EXPECT_EQ(page.rfind(".TH TALVEX 1 ", 0), 0u);
    for (const char* section :
         {"\n.SH NAME\n", "\n.SH SYNOPSIS\n", "\n.SH COMMANDS\n", "\n.SH EXPRESSIONS\n",
          "\n.SS shots ", "\n.SS eval ", "\n.SS list save|merge ", "\n.SS plot "})
        EXPECT_NE(page.find(section), std::string::npos) << section;
    // Help text must not turn into roff requests: every request is one the page means.
    size_t at = 0;
    while ((at = page.find('\n', at)) != std::string::npos) {
        ++at;
        if (at < page.size() && (page[at] == '.' || page[at] == '\'')) {
            std::string request = page.substr(at, page.find_first_of(" \n", at) - at);
            EXPECT_TRUE(request == ".SH" || request == ".SS" || request == ".nf" || request == ".fi"
                        || request == ".TP" || request == ".B" || request == ".br")
                << request;
        }
    }

    if (!testsupport::Exists("/bin/bash"))
        GTEST_SKIP() << "bash is needed to try the completion";
    auto complete = [&](const std::string& line) {
        return Shell("PATH=\"" + kPrefix + "/bin:$PATH\" /bin/bash -c 'source \"" + completion
                     + "\"; COMP_WORDS=(" + line
                     + "); COMP_CWORD=$((${#COMP_WORDS[@]}-1)); _talvex; "
                       "printf \"%s \" \"${COMPREPLY[@]}\"' 2>&1");
    };
    EXPECT_EQ(complete("talvex sh"), "shots ");
    EXPECT_EQ(complete("talvex eval x --wh"), "--why --where ");
    EXPECT_EQ(complete("talvex plot 1001 x --legend bottom-"), "bottom-right bottom-left ");
    EXPECT_EQ(complete("talvex help exp"), "expressions ");
    EXPECT_EQ(complete("talvex -e " + exp + " fields 100"), "1001 1002 ");
}

TEST_F(CliTest, HelpExpressionsDescribesTheLanguageAndEveryCode)
{
    Result run = Talvex({"help", "expressions"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* word : {"::", "?", "[", "sin", "atn", ">\\", "<\\", "@", "==", "&&", "~"})
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
    // Every trace-parameter code of the evaluator's table.
    for (const char* code : {"t1", "st", "it", "ts", "is", "pt", "ft", "su", "mx", "mn", "cl", "at",
                             "tp", "bl", "sv", "tm", "tn", "19", "28", "av", "in", "ri", "pi", "sd",
                             "wa", "fh", "vt", "tv", "t%", "bv", "b%", "la", "ta", "lt"})
        EXPECT_TRUE(run.out.find(std::string(code) + " ") != std::string::npos
                    || run.out.find(std::string(code) + "[") != std::string::npos)
            << code;
    EXPECT_NE(Talvex({"eval", "--help"}).out.find("'talvex help expressions'"), std::string::npos);
}
