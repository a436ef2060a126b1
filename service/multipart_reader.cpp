#include "service/multipart_reader.h"

#include <algorithm>
#include <cctype>

namespace norvel::service {
namespace {

constexpr size_t kTrailerSlack = 256;  // bytes tolerated after the closing delimiter

enum class HeadResult { NeedMore, Malformed, Complete };

std::string PartName(std::string_view headers) {
    const size_t at = headers.find("name=\"");
    if (at == std::string_view::npos ||
        (at > 0 && headers[at - 1] != ' ' && headers[at - 1] != ';'))
        return {};
    const size_t start = at + 6;
    const size_t end = headers.find('"', start);
    return end == std::string_view::npos ? std::string()
                                         : std::string(headers.substr(start, end - start));
}

// Walks the parts from the start of the body; on Complete, dataStart is where the
// content of the "file" part begins.
HeadResult ScanHead(const std::string& buffer, const std::string& boundary,
                    CMultipartReader::Fields& fields, size_t& dataStart) {
    const std::string delimiter = "--" + boundary;
    size_t pos = 0;
    fields.clear();
    for (;;) {
        if (buffer.size() < pos + delimiter.size() + 2)
            return HeadResult::NeedMore;
        if (buffer.compare(pos, delimiter.size(), delimiter) != 0 ||
            buffer.compare(pos + delimiter.size(), 2, "\r\n") != 0)
            return HeadResult::Malformed;
        pos += delimiter.size() + 2;
        const size_t headersEnd = buffer.find("\r\n\r\n", pos);
        if (headersEnd == std::string::npos)
            return HeadResult::NeedMore;
        const std::string name = PartName(std::string_view(buffer).substr(pos, headersEnd - pos));
        if (name.empty())
            return HeadResult::Malformed;
        const size_t valueStart = headersEnd + 4;
        if (name == "file") {
            dataStart = valueStart;
            return HeadResult::Complete;
        }
        const size_t valueEnd = buffer.find("\r\n" + delimiter, valueStart);
        if (valueEnd == std::string::npos)
            return HeadResult::NeedMore;
        fields.emplace_back(name, buffer.substr(valueStart, valueEnd - valueStart));
        pos = valueEnd + 2;
    }
}

}  // namespace

CMultipartReader::CMultipartReader(std::string boundary, HeadHandler onHead, DataHandler onData)
    : m_Boundary(std::move(boundary)), m_OnHead(std::move(onHead)), m_OnData(std::move(onData)) {}

bool CMultipartReader::Fail(std::string error) {
    m_State = State::Failed;
    m_Error = std::move(error);
    return false;
}

bool CMultipartReader::ParseHead() {
    Fields fields;
    size_t dataStart = 0;
    switch (ScanHead(m_Buffer, m_Boundary, fields, dataStart)) {
        case HeadResult::NeedMore:
            return m_Buffer.size() <= kHeadLimit || Fail("multipart head too large");
        case HeadResult::Malformed:
            return Fail("malformed multipart body");
        case HeadResult::Complete:
            break;
    }
    const auto length = m_OnHead(fields);
    if (!length)
        return Fail("block refused");
    m_Remaining = *length;
    m_State = State::Data;
    const std::string rest = m_Buffer.substr(dataStart);
    m_Buffer.clear();
    return Feed(rest.data(), rest.size());
}

bool CMultipartReader::ConsumeData(const char*& data, size_t& length) {
    const size_t take = size_t(std::min<uint64_t>(m_Remaining, length));
    if (take > 0 && !m_OnData(data, take))
        return Fail("content could not be stored");
    m_Remaining -= take;
    data += take;
    length -= take;
    if (m_Remaining == 0)
        m_State = State::Trailer;
    return true;
}

bool CMultipartReader::ConsumeTrailer(const char* data, size_t length) {
    m_Buffer.append(data, length);
    const std::string closing = "\r\n--" + m_Boundary + "--";
    const size_t have = std::min(m_Buffer.size(), closing.size());
    if (m_Buffer.compare(0, have, closing, 0, have) != 0)
        return Fail("content longer than its range or closing delimiter missing");
    if (m_Buffer.size() > closing.size() + kTrailerSlack)
        return Fail("unexpected bytes after the closing delimiter");
    if (m_Buffer.size() >= closing.size())
        m_State = State::Done;
    return true;
}

bool CMultipartReader::Feed(const char* data, size_t length) {
    switch (m_State) {
        case State::Head:
            m_Buffer.append(data, length);
            return ParseHead();
        case State::Data:
            if (!ConsumeData(data, length))
                return false;
            return length == 0 || Feed(data, length);
        case State::Trailer:
        case State::Done:
            return ConsumeTrailer(data, length);
        case State::Failed:
            return false;
    }
    return false;
}

std::optional<std::string> MultipartBoundary(const std::string& contentType) {
    std::string lower = contentType;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (lower.rfind("multipart/form-data", 0) != 0)
        return std::nullopt;
    const size_t at = lower.find("boundary=");
    if (at == std::string::npos)
        return std::nullopt;
    std::string boundary = contentType.substr(at + 9);
    const size_t end = boundary.find(';');
    if (end != std::string::npos)
        boundary.resize(end);
    if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"')
        boundary = boundary.substr(1, boundary.size() - 2);
    if (boundary.empty() || boundary.size() > 70)
        return std::nullopt;
    return boundary;
}

}  // namespace norvel::service
