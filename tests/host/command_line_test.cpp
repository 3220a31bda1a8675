// The subcommands' shared argument walk: one plain file, options with a
// value in the next argument, flags, and the exit codes of a mistake.
#include "builder/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    int result;
    std::string file, output;
    bool fast = false;
};

Parsed parse(std::vector<std::string> words)
{
    Parsed p{};
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    const CommandOption options[] = {{"-o", "--output", &p.output, nullptr}, {"--fast", nullptr, nullptr, &p.fast}};
    p.result = parseCommandLine({"test", "usage: slipway test FILE\n", "file"}, options, 2, int(argv.size()),
                                argv.data(), p.file);
    return p;
}

}  // namespace

TEST(CommandLine, TakesOneFileWithOptionsAnywhere)
{
    Parsed p = parse({"--output", "out.exe", "in.toml", "--fast"});
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.file, "in.toml");
    EXPECT_EQ(p.output, "out.exe");
    EXPECT_TRUE(p.fast);
    // A lone "-" is a file name, and an option's value may start with one.
    p = parse({"-", "-o", "-x"});
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.file, "-");
    EXPECT_EQ(p.output, "-x");
}

TEST(CommandLine, MistakesAreUsageErrorsAndHelpEndsWell)
{
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {}, {"--fast"}, {"a", "b"}, {"a", "-o"}, {"a", "--bogus"}, {"a", "-O", "x"}})
        EXPECT_EQ(parse(words).result, 2) << words.size();
    EXPECT_EQ(parse({"a", "--help", "--bogus"}).result, -1);
}
