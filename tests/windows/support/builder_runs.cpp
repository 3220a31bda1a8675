#include "support/builder_runs.h"

#include "support/test_environment.h"
#include "uiauto/ui_automation.h"
#include "uiauto/time_limits.h"

namespace {

// Building with the strongest compression takes a while under Wine.
constexpr DWORD kBuilderTimeoutMs = timeLimitMs(300000);

}  // namespace

std::string builderPath()
{
    return windowsPath(SLIPWAY_BUILDER_PATH);
}

BuilderRun runBuilder(const std::string& arguments)
{
    BuilderRun run;
    uiauto::ProcessOptions options;
    options.captureOutput = true;
    options.mergeStderr = false;
    uiauto::RunningProcess process;
    if (!process.start(uiauto::quoteArgument(builderPath()) + " " + arguments, options)) {
        run.output = "cannot start slipway.exe: " + process.error();
        return run;
    }
    run.ended = process.wait(kBuilderTimeoutMs, &run.exitCode);
    for (char c : process.output())
        if (c != '\r')
            run.output += c;
    return run;
}

std::string helloManifestPath()
{
    std::string path = windowsPath(std::string(SLIPWAY_SOURCE_DIR) + "/examples/hello/slipway.toml");
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? path : "";
}

std::string utf8FromWindows1252(const std::string& text)
{
    if (text.empty())
        return text;
    int wideLength = MultiByteToWideChar(1252, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(wideLength), L'\0');
    MultiByteToWideChar(1252, 0, text.data(), int(text.size()), &wide[0], wideLength);
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], length, nullptr, nullptr);
    return utf8;
}
