#include "platform/text.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/kept_object.h"

static_assert(std::endian::native == std::endian::little,
              "the code-page conversions exchange UTF-32LE with iconv");

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char kUnmappable = '?';
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// iconv descriptors are not thread-safe: each thread keeps its own pair.
class Converters {
public:
    ~Converters() {
        if (m_ToAnsi != kNoConverter)
            iconv_close(m_ToAnsi);
        if (m_FromAnsi != kNoConverter)
            iconv_close(m_FromAnsi);
    }
    iconv_t ToAnsi() { return Get(m_ToAnsi, AnsiCharsetName().c_str(), "UTF-32LE"); }
    iconv_t FromAnsi() { return Get(m_FromAnsi, "UTF-32LE", AnsiCharsetName().c_str()); }

private:
    static iconv_t Get(iconv_t& slot, const char* to, const char* from) {
        if (slot == kNoConverter)
            slot = iconv_open(to, from);
        else
            iconv(slot, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
        return slot;
    }
    iconv_t m_ToAnsi = kNoConverter;
    iconv_t m_FromAnsi = kNoConverter;
};

Converters& ThreadConverters() {
    thread_local Converters converters;
    return converters;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        out.push_back(static_cast<char16_t>(kReplacement));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one code point at text[i], advancing i; malformed input gives U+FFFD and
// advances by one unit.
char32_t NextFromUtf16(std::u16string_view text, size_t& i) {
    const char16_t unit = text[i++];
    if (unit < 0xD800 || unit > 0xDFFF)
        return unit;
    if (unit <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        const char16_t low = text[i++];
        return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
    }
    return kReplacement;
}

char32_t NextFromUtf8(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra;
    char32_t cp;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + extra >= text.size()) {  // cut short at the end of the text
        ++i;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return cp;
}

// Converts UTF-32 code points to the ANSI code page, one '?' per unmappable one.
std::string CodePointsToAnsi(const std::u32string& points) {
    std::string out;
    if (points.empty())
        return out;
    iconv_t cd = ThreadConverters().ToAnsi();
    if (cd == kNoConverter) {
        for (char32_t cp : points)
            out.push_back(cp < 0x80 ? static_cast<char>(cp) : kUnmappable);
        return out;
    }
    char* in = const_cast<char*>(reinterpret_cast<const char*>(points.data()));
    size_t inLeft = points.size() * sizeof(char32_t);
    char buffer[1024];
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof(buffer);
        const size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, dst);
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ (cannot be held) or EINVAL: one '?' for this code point, then go on.
        out.push_back(kUnmappable);
        const size_t skip = inLeft < sizeof(char32_t) ? inLeft : sizeof(char32_t);
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    char* dst = buffer;
    size_t dstLeft = sizeof(buffer);
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);  // flush any shift state
    out.append(buffer, dst);
    return out;
}

}  // namespace

const std::string& AnsiCharsetName() {
    // Never destroyed: conversions may still run while static objects are destroyed at exit.
    static const std::string* const name = [] {
        const char* env = std::getenv("NORVEL_ACP");
        return KeptForGood(new std::string(env && *env ? env : "CP936"));
    }();
    return *name;
}

std::u16string Utf8ToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        AppendUtf16(out, NextFromUtf8(text, i));
    return out;
}

std::string WideToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        AppendUtf8(out, NextFromUtf16(text, i));
    return out;
}

std::string WideToAnsi(std::u16string_view text) {
    // Plain ASCII is the same in every supported code page: no need for iconv.
    bool ascii = true;
    for (char16_t unit : text)
        ascii = ascii && unit < 0x80;
    if (ascii)
        return std::string(text.begin(), text.end());
    std::u32string points;
    points.reserve(text.size());
    for (size_t i = 0; i < text.size();)
        points.push_back(NextFromUtf16(text, i));
    return CodePointsToAnsi(points);
}

std::string CodePointToAnsi(char32_t codePoint) {
    if (codePoint < 0x80)
        return std::string(1, static_cast<char>(codePoint));
    std::string out = CodePointsToAnsi(std::u32string(1, codePoint));
    return out == std::string(1, kUnmappable) ? std::string() : out;
}

std::u16string AnsiToWide(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    iconv_t cd = ThreadConverters().FromAnsi();
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char32_t buffer[256];
    while (inLeft > 0) {
        if (cd == kNoConverter) {
            const auto byte = static_cast<unsigned char>(*in++);
            --inLeft;
            AppendUtf16(out, byte < 0x80 ? byte : kReplacement);
            continue;
        }
        char* dst = reinterpret_cast<char*>(buffer);
        size_t dstLeft = sizeof(buffer);
        const size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        const size_t produced = (sizeof(buffer) - dstLeft) / sizeof(char32_t);
        for (size_t k = 0; k < produced; ++k)
            AppendUtf16(out, buffer[k]);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // An invalid or cut-short multibyte sequence: one replacement per bad byte.
            AppendUtf16(out, kReplacement);
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace platform
