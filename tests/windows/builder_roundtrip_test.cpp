// An installer built by slipway.exe, opened by the stub with each of its info
// switches: what the stub prints is what `slipway inspect` shows.
#include "support/builder_runs.h"
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "uiauto/ui_automation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Pair {
    std::string key;
    std::string text;
};

void appendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | code >> 6);
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xE0 | code >> 12);
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

// The JSON string literal at `pos` (its opening quote), unescaped; `pos`
// moves behind the closing quote.
std::string jsonString(const std::string& json, size_t& pos)
{
    std::string out;
    for (++pos; pos < json.size() && json[pos] != '"'; ++pos) {
        if (json[pos] != '\\') {
            out += json[pos];
            continue;
        }
        char escaped = json[++pos];
        switch (escaped) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u':
            appendUtf8(out, unsigned(std::stoul(json.substr(pos + 1, 4), nullptr, 16)));
            pos += 4;
            break;
        default: out += escaped;
        }
    }
    ++pos;
    return out;
}

// The info switches as `slipway inspect --json` lists them.
std::vector<Pair> infoSwitchesOf(const std::string& json)
{
    std::vector<Pair> pairs;
    size_t pos = json.find("\"infoSwitches\": [");
    size_t end = pos == std::string::npos ? pos : json.find("\n    ]", pos);
    while (pos != std::string::npos) {
        size_t key = json.find("\"key\": \"", pos);
        if (key == std::string::npos || key > end)
            break;
        size_t keyStart = key + 7;
        Pair pair;
        pair.key = jsonString(json, keyStart);
        size_t text = json.find("\"text\": \"", keyStart) + 8;
        pair.text = jsonString(json, text);
        pairs.push_back(pair);
        pos = text;
    }
    return pairs;
}

}  // namespace

TEST(BuilderRoundTrip, StubAnswersEveryInfoSwitchAsInspectShowsIt)
{
    std::string manifest = helloManifestPath();
    if (manifest.empty())
        GTEST_SKIP() << "examples/hello/slipway.toml is missing, so there is no installer to build";
    std::string setup = makeTestFolder("roundtrip") + "\\hello-setup.exe";
    BuilderRun build = runBuilder("build " + uiauto::quoteArgument(manifest) + " -o " + uiauto::quoteArgument(setup));
    ASSERT_TRUE(build.ended);
    ASSERT_EQ(build.exitCode, 0u) << build.output;

    BuilderRun inspect = runBuilder("inspect --json " + uiauto::quoteArgument(setup));
    ASSERT_TRUE(inspect.ended);
    ASSERT_EQ(inspect.exitCode, 0u) << inspect.output;
    std::vector<Pair> switches = infoSwitchesOf(inspect.output);
    ASSERT_FALSE(switches.empty()) << inspect.output;

    for (const Pair& pair : switches) {
        SCOPED_TRACE(pair.key);
        QuietRun run = runQuietly(setup, pair.key);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_FALSE(run.showedWindow);
        EXPECT_EQ(utf8FromWindows1252(run.output), pair.text);
    }
}
