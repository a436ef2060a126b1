#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

namespace norvel::test {
namespace {

constexpr uint32_t kPollMs = 20;  // how often blocked loops look at the stop flag

const char* ReasonOf(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

std::string Head(int status, const std::vector<std::string>& headers) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " " + ReasonOf(status) + "\r\n";
    for (const std::string& line : headers)
        head += line + "\r\n";
    return head;
}

// The value of the Content-Length line of a request head; 0 when there is none.
size_t ContentLength(const std::string& head) {
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    const size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::strtoull(lower.c_str() + at + 17, nullptr, 10);
}

}  // namespace

ScriptedReply Answer(std::string bytes) {
    ScriptedReply reply;
    reply.bytes = std::move(bytes);
    return reply;
}

ScriptedReply Stall() {
    ScriptedReply reply;
    reply.stallMs = kStallForever;
    return reply;
}

ScriptedReply Deaf() {
    ScriptedReply reply = Stall();
    reply.readRequest = false;
    return reply;
}

ScriptedReply AnswerAndHold(std::string bytes) {
    ScriptedReply reply = Answer(std::move(bytes));
    reply.holdOpenMs = kStallForever;
    return reply;
}

std::string HttpReply(int status, const std::string& body, const std::vector<std::string>& headers,
                      bool withLength) {
    std::string reply = Head(status, headers);
    if (withLength)
        reply += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    else
        reply += "Connection: close\r\n";
    return reply + "\r\n" + body;
}

std::string ChunkedHttpReply(int status, const std::string& body, size_t pieceSize,
                             const std::vector<std::string>& headers) {
    std::string reply = Head(status, headers) + "Transfer-Encoding: chunked\r\n\r\n";
    for (size_t at = 0; at < body.size(); at += pieceSize) {
        const std::string piece = body.substr(at, pieceSize);
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        reply += size + piece + "\r\n";
    }
    return reply + "0\r\n\r\n";
}

ScriptedServer::ScriptedServer(std::vector<ScriptedReply> script) : m_Script(std::move(script)) {
    if (m_Script.empty() || !m_Listener.Listen()) {
        ADD_FAILURE() << "the scripted server cannot start";
        return;
    }
    m_AcceptThread = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
    m_Stopping = true;
    m_Released.Set();
    if (m_AcceptThread.joinable())
        m_AcceptThread.join();
    std::vector<std::thread> handlers;
    {
        std::lock_guard lock(m_Lock);
        handlers.swap(m_Handlers);
    }
    for (std::thread& handler : handlers)
        handler.join();
}

void ScriptedServer::AcceptLoop() {
    while (!m_Stopping) {
        auto connection = m_Listener.Accept(kPollMs);
        if (!connection)
            continue;
        std::lock_guard lock(m_Lock);
        const size_t index = m_Requests.size();
        m_Requests.emplace_back();
        m_Handlers.emplace_back(
            [this, index, c = std::move(*connection)]() mutable { Serve(std::move(c), index); });
        m_Accepted.notify_all();
    }
}

void ScriptedServer::Serve(platform::TcpConnection connection, size_t index) {
    const ScriptedReply& reply = m_Script[std::min(index, m_Script.size() - 1)];
    if (reply.readRequest && !ReadRequest(connection, index))
        return;
    if (reply.stallMs != 0)
        (void)m_Released.Wait(reply.stallMs);
    if (m_Stopping)
        return;
    connection.WriteAll(reply.bytes.data(), reply.bytes.size());
    if (reply.holdOpenMs != 0)
        (void)m_Released.Wait(reply.holdOpenMs);
    connection.Close(reply.reset);
}

bool ScriptedServer::ReadRequest(platform::TcpConnection& connection, size_t index) {
    std::string received;
    size_t wanted = std::string::npos;  // the whole request's size, once the head is in
    char buffer[65536];
    while (!m_Stopping && received.size() < wanted) {
        const int64_t got = connection.Read(buffer, sizeof buffer, kPollMs);
        if (got == platform::TcpConnection::kTimedOut)
            continue;
        if (got <= 0)
            break;
        Record(index, buffer, size_t(got));
        received.append(buffer, size_t(got));
        if (wanted == std::string::npos) {
            const size_t end = received.find("\r\n\r\n");
            if (end != std::string::npos)
                wanted = end + 4 + ContentLength(received.substr(0, end + 2));
        }
    }
    return received.size() >= wanted;
}

void ScriptedServer::Record(size_t index, const char* data, size_t size) {
    std::lock_guard lock(m_Lock);
    m_Requests[index].append(data, size);
}

std::vector<std::string> ScriptedServer::Requests() const {
    std::lock_guard lock(m_Lock);
    return m_Requests;
}

size_t ScriptedServer::Connections() const {
    std::lock_guard lock(m_Lock);
    return m_Requests.size();
}

bool ScriptedServer::WaitForConnections(size_t count, uint32_t timeoutMs) {
    std::unique_lock lock(m_Lock);
    return m_Accepted.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return m_Requests.size() >= count; });
}

void ScriptedServer::Release() {
    m_Released.Set();
}

}  // namespace norvel::test
