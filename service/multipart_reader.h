#pragma once

// Reads the multipart body of an upload block as it arrives:
//   --B\r\nContent-Disposition: form-data; name="kdw_app"\r\n\r\n1\r\n--B ... (more fields)
//   \r\n--B\r\nContent-Disposition: form-data; name="file"; filename="...\r\n
//   Content-Type: application/octet-stream\r\n\r\n<content>\r\n--B--\r\n
// The fields before the "file" part are collected (at most kHeadLimit bytes); then the
// head handler says how many content bytes to expect (the length of the block's range),
// the content goes to the data handler piece by piece, and the closing delimiter must
// follow. The content length comes from the range rather than from a search for the
// delimiter, so content that happens to hold the boundary text is still read right.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace norvel::service {

class CMultipartReader {
public:
    using Fields = std::vector<std::pair<std::string, std::string>>;
    // The content length to expect, or empty to refuse the block (reading stops).
    using HeadHandler = std::function<std::optional<uint64_t>(const Fields&)>;
    // False stops reading.
    using DataHandler = std::function<bool(const char*, size_t)>;

    static constexpr size_t kHeadLimit = 64 << 10;

    CMultipartReader(std::string boundary, HeadHandler onHead, DataHandler onData);

    // Feeds the next piece of the body; false when reading must stop (see Error()).
    bool Feed(const char* data, size_t length);
    // True when the content and the closing delimiter have arrived.
    bool Complete() const { return m_State == State::Done; }
    const std::string& Error() const { return m_Error; }

private:
    enum class State { Head, Data, Trailer, Done, Failed };
    bool Fail(std::string error);
    bool ParseHead();
    bool ConsumeData(const char*& data, size_t& length);
    bool ConsumeTrailer(const char* data, size_t length);

    const std::string m_Boundary;
    HeadHandler m_OnHead;
    DataHandler m_OnData;
    State m_State = State::Head;
    std::string m_Buffer;      // head bytes, later trailer bytes
    uint64_t m_Remaining = 0;  // content bytes still to come
    std::string m_Error;
};

// The boundary named by a "multipart/form-data; boundary=..." content type; empty when
// the value is of another type or names no boundary.
std::optional<std::string> MultipartBoundary(const std::string& contentType);

}  // namespace norvel::service
