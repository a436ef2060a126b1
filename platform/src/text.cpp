#include "platform/text.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "platform/kept_object.h"

static_assert(std::endian::native == std::endian::little,
              "the code-page conversions exchange UTF-32LE with iconv");

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char kUnmappable = '?';
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// iconv descriptors are not thread-safe: a conversion takes one out of a small cache and
// puts it back afterwards. (A thread_local cache with a destructor would pin a shared
// library that holds this code in memory for as long as any thread that converted text
// lives, so that unloading it would silently do nothing.) Everything here is trivially
// destructible, so conversions keep working while static objects are destroyed at exit.
enum Direction { kToAnsi = 0, kFromAnsi = 1 };
constexpr int kCachedPerDirection = 8;

struct ConverterCache {
    std::mutex lock;
    iconv_t idle[2][kCachedPerDirection] = {};
    int count[2] = {0, 0};
    bool closed = false;  // the code is being unloaded: nothing is kept any more
};
static_assert(std::is_trivially_destructible_v<ConverterCache>);
ConverterCache g_Converters;

iconv_t OpenConverter(Direction direction) {
    const char* ansi = AnsiCharsetName().c_str();
    return direction == kToAnsi ? iconv_open(ansi, "UTF-32LE") : iconv_open("UTF-32LE", ansi);
}

// One descriptor for the length of a conversion, in its initial state.
class ScopedConverter {
public:
    explicit ScopedConverter(Direction direction) : m_Direction(direction) {
        {
            std::lock_guard lock(g_Converters.lock);
            int& count = g_Converters.count[direction];
            if (count > 0)
                m_Cd = g_Converters.idle[direction][--count];
        }
        if (m_Cd == kNoConverter)
            m_Cd = OpenConverter(direction);
        else
            iconv(m_Cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    }
    ~ScopedConverter() {
        if (m_Cd == kNoConverter)
            return;
        {
            std::lock_guard lock(g_Converters.lock);
            int& count = g_Converters.count[m_Direction];
            if (!g_Converters.closed && count < kCachedPerDirection) {
                g_Converters.idle[m_Direction][count++] = m_Cd;
                return;
            }
        }
        iconv_close(m_Cd);
    }
    ScopedConverter(const ScopedConverter&) = delete;
    ScopedConverter& operator=(const ScopedConverter&) = delete;

    iconv_t Get() const { return m_Cd; }

private:
    Direction m_Direction;
    iconv_t m_Cd = kNoConverter;
};

// Runs when the program ends or the library holding this code is unloaded, after the
// finalizers without a priority (those that stop the library's threads, which may still
// convert text).
[[gnu::destructor(101)]] void CloseCachedConverters() {
    std::lock_guard lock(g_Converters.lock);
    g_Converters.closed = true;
    for (int direction = 0; direction < 2; ++direction) {
        while (g_Converters.count[direction] > 0)
            iconv_close(g_Converters.idle[direction][--g_Converters.count[direction]]);
    }
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
    const ScopedConverter converter(kToAnsi);
    iconv_t cd = converter.Get();
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
    const ScopedConverter converter(kFromAnsi);
    iconv_t cd = converter.Get();
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

void PreloadTextConverters() {
    ScopedConverter toAnsi(kToAnsi);
    ScopedConverter fromAnsi(kFromAnsi);
}

}  // namespace platform
