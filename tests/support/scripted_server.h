#pragma once

// A tiny HTTP server on 127.0.0.1 that answers each connection with scripted raw bytes
// and records the raw requests, for tests that need exact bytes or misbehaving peers:
// replies without a length, stalls, early closes and resets.
//
//   using namespace norvel::test;
//   ScriptedServer server({Answer(HttpReply(401, "", {...})), Answer(HttpReply(200, "{}"))});
//   ... connect to 127.0.0.1:server.Port() ...
//   server.Requests()[1]  // the second request, headers and body as received
//
// Connection n (from 0) is handled by script[min(n, script.size() - 1)]: the last entry
// serves every later connection. Each connection has its own thread; one request is read
// and answered per connection, which is then closed.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/tcp.h"

namespace norvel::test {

inline constexpr uint32_t kStallForever = 0xFFFFFFFFu;  // until Release() or destruction

// What the server does with one connection, in this order.
struct ScriptedReply {
    std::string bytes;        // 3. written as they stand
    bool readRequest = true;  // 1. read the request: header, then Content-Length bytes
    uint32_t stallMs = 0;     // 2. then hold the connection this long before answering
    bool reset = false;       // 4. close with a reset instead of an orderly end
    uint32_t holdOpenMs = 0;  //    keep the connection open this long after the bytes
};

// Reads the request, then writes the bytes and closes.
ScriptedReply Answer(std::string bytes);
// Reads the request and answers nothing until released: a server that never replies.
ScriptedReply Stall();
// Reads nothing and answers nothing until released: a server that stopped reading.
ScriptedReply Deaf();
// Reads the request, writes the bytes, and keeps the connection open until released: a
// reply that stops in the middle.
ScriptedReply AnswerAndHold(std::string bytes);

// A whole reply: status line, the header lines given (without CR LF), a Content-Length
// line unless withLength is false (the body then ends with the connection), and the body.
std::string HttpReply(int status, const std::string& body,
                      const std::vector<std::string>& headers = {}, bool withLength = true);
// The same body sent with "Transfer-Encoding: chunked" in pieces of pieceSize bytes.
std::string ChunkedHttpReply(int status, const std::string& body, size_t pieceSize,
                             const std::vector<std::string>& headers = {});

class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ScriptedReply> script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    uint16_t Port() const { return m_Listener.Port(); }
    // The raw requests read so far, in the order their connections were accepted.
    std::vector<std::string> Requests() const;
    size_t Connections() const;
    // True once count connections were accepted within timeoutMs.
    bool WaitForConnections(size_t count, uint32_t timeoutMs);
    // Ends every stall at once (the stalled connections then answer).
    void Release();

private:
    void AcceptLoop();
    void Serve(platform::TcpConnection connection, size_t index);
    bool ReadRequest(platform::TcpConnection& connection, size_t index);
    void Record(size_t index, const char* data, size_t size);

    const std::vector<ScriptedReply> m_Script;
    platform::TcpListener m_Listener;
    platform::Event m_Released{platform::Event::ResetMode::Manual};
    std::atomic<bool> m_Stopping{false};
    mutable std::mutex m_Lock;  // guards the members below
    std::condition_variable m_Accepted;
    std::vector<std::string> m_Requests;
    std::vector<std::thread> m_Handlers;
    std::thread m_AcceptThread;
};

}  // namespace norvel::test
