// Reads a hand-edited INI file, writes one value as ini::write does and reads the result
// back: the value written comes back and every other line keeps its bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "platform/charset.h"
#include "platform/ini/ini_file.h"

namespace {

// Names from the fuzzer's bytes, kept to characters a name keeps through a write
// (no "=", "]", line breaks or surrounding blanks), so the round trip must hold.
std::string name(FuzzedDataProvider& input) {
    std::string out;
    for (char c : input.ConsumeRandomLengthString(12)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u > 32 && c != '=' && c != ']' && c != '[' && c != ';' && u < 0x7f) out += c;
    }
    return out.empty() ? "k" : out;
}

// A value as a read gives it back: first line only, valid UTF-8, no control characters,
// no surrounding blanks, not enclosed in a pair of quotes.
std::string value(FuzzedDataProvider& input) {
    std::string raw = charset::sanitizeUtf8(input.ConsumeRandomLengthString(48));
    std::string out;
    for (char c : raw) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 32 && u != 0x7f) out += c;
    }
    const size_t begin = out.find_first_not_of(' ');
    out = begin == std::string::npos ? "" : out.substr(begin, out.find_last_not_of(' ') - begin + 1);
    if (out.size() >= 2 && (out[0] == '"' || out[0] == '\'') && out.back() == out[0]) out[0] = 'q';
    return out;
}

// Files held as text rather than bytes: UTF-16, and a file the write had to mark as UTF-8
// so that its encoding is not guessed the other way next time.
bool comparedAsText(const std::string& before, const std::string& after) {
    const charset::Detected a = charset::detectEncoding(before), b = charset::detectEncoding(after);
    return a.encoding != b.encoding || a.bomLength != b.bomLength ||
           a.encoding == charset::Encoding::Utf16Le || a.encoding == charset::Encoding::Utf16Be;
}

// The bytes the edit took out of the old file: everything between the longest common
// start and the longest common end.
std::string removed(const std::string& before, const std::string& after) {
    size_t p = 0;
    while (p < before.size() && p < after.size() && before[p] == after[p]) ++p;
    size_t s = 0;
    while (s < before.size() - p && s < after.size() - p &&
           before[before.size() - 1 - s] == after[after.size() - 1 - s]) {
        ++s;
    }
    return before.substr(p, before.size() - p - s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = name(input), key = name(input), text = value(input);
    const std::string file = input.ConsumeRemainingBytesAsString();

    IniFile ini(file);
    std::string dummy;
    ini.value(section, key, 10239, dummy);
    ini.sectionNames(204800);
    ini.setValue(section, key, text);
    const std::string written = ini.bytes();

    std::string back;
    if (!IniFile(written).value(section, key, 10239, back) || back != text) {
        std::fprintf(stderr, "written [%s] %s=\"%s\", read back \"%s\"\n", section.c_str(),
                     key.c_str(), text.c_str(), back.c_str());
        std::abort();
    }
    // Only the key's own line changed (or a line was added): nothing removed spans a line end.
    const std::string gone = comparedAsText(file, written) ? removed(charset::fileTextToUtf8(file),
                                            charset::fileTextToUtf8(written))
                                  : removed(file, written);
    if (gone.find_first_of("\r\n") != std::string::npos) {
        std::fprintf(stderr, "the write took out more than one line: \"%s\"\n", gone.c_str());
        std::abort();
    }
    return 0;
}
