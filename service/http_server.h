#pragma once

// The HTTP side of the service: one listening port serves every host role. Each request
// is logged, meets the faults set for its path, is checked for a signature where its
// route asks for one, has its body read within limits and is handed to its route.

#include <memory>
#include <string>

namespace norvel::service {

class CServiceContext;

class CHttpServer {
public:
    explicit CHttpServer(CServiceContext& context);
    ~CHttpServer();
    CHttpServer(const CHttpServer&) = delete;
    CHttpServer& operator=(const CHttpServer&) = delete;

    // Binds host:port (port 0 picks a free one); the bound port, or -1.
    int Bind(const std::string& host, int port);
    // Serves until Stop(); false when serving could not start.
    bool Run();
    // Ends Run(); safe to call from another thread once Run() has started.
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> m_Impl;
};

}  // namespace norvel::service
