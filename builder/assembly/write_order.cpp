#include "builder/assembly/write_order.h"

#include <algorithm>

namespace {

struct WriteKey {
    std::string extension;
    std::string name;
    std::string path;
};

std::string lowerAscii(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return out;
}

WriteKey keyOf(const std::string& packagePath)
{
    WriteKey key;
    key.path = lowerAscii(packagePath);
    size_t slash = key.path.find_last_of('\\');
    key.name = slash == std::string::npos ? key.path : key.path.substr(slash + 1);
    size_t dot = key.name.find_last_of('.');
    // A leading dot (".gitignore") names a file, not a kind.
    if (dot != std::string::npos && dot > 0)
        key.extension = key.name.substr(dot + 1);
    return key;
}

}  // namespace

std::vector<size_t> orderOfWrites(const std::vector<std::string>& packagePaths)
{
    std::vector<WriteKey> keys;
    keys.reserve(packagePaths.size());
    for (const std::string& path : packagePaths)
        keys.push_back(keyOf(path));
    std::vector<size_t> order(packagePaths.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const WriteKey& x = keys[a];
        const WriteKey& y = keys[b];
        if (x.extension != y.extension)
            return x.extension < y.extension;
        if (x.name != y.name)
            return x.name < y.name;
        return x.path < y.path;
    });
    return order;
}
