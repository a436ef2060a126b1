// norvel-service: the substitute Norvel service. See docs/service.md.

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>

#include "service/accounts.h"
#include "service/context.h"
#include "service/http_server.h"
#include "service/options.h"

namespace {

volatile std::sig_atomic_t g_StopRequested = 0;

extern "C" void OnStopSignal(int) {
    g_StopRequested = 1;
}

int AddUser(norvel::service::CServiceContext& context, const norvel::service::COptions& options) {
    norvel::service::CNewAccount account;
    account.name = options.userName;
    account.password = options.password;
    account.space = options.space.value_or(account.space);
    account.maxfs = options.maxfs.value_or(account.maxfs);
    account.level = options.level.value_or(account.level);
    switch (norvel::service::AddAccount(context.store, account)) {
        case norvel::service::AddResult::Added:
            std::cout << "added user " << account.name << std::endl;
            return 0;
        case norvel::service::AddResult::Exists:
            // Kept as it is: scripts may ensure a demo account on every start.
            std::cout << "user " << account.name << " exists" << std::endl;
            return 0;
        case norvel::service::AddResult::Invalid:
            break;
    }
    std::cerr << "norvel-service: invalid user name or password" << std::endl;
    return 2;
}

int Serve(norvel::service::CServiceContext& context, const norvel::service::COptions& options) {
    norvel::service::CHttpServer server(context);
    const int port = server.Bind(options.host, options.port);
    if (port <= 0) {
        std::cerr << "norvel-service: cannot listen on " << options.host << ":" << options.port
                  << std::endl;
        return 1;
    }
    const bool anyAddress = options.host == "0.0.0.0" || options.host == "::";
    const std::string host = anyAddress ? "127.0.0.1"
                             : options.host.find(':') != std::string::npos
                                 ? "[" + options.host + "]"
                                 : options.host;
    context.SetPublicHost(host + ":" + std::to_string(port));
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGPIPE, SIG_IGN);
    std::atomic<bool> serving{true};
    std::thread listener([&] {
        server.Run();
        serving = false;
    });
    std::cout << port << std::endl;
    std::cerr << "norvel-service: serving " << context.BaseUrl() << " from " << options.dataDir
              << std::endl;
    // The signal handler only sets a flag; the stop itself happens here.
    while (!g_StopRequested && serving)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    server.Stop();
    listener.join();
    std::cerr << "norvel-service: stopped" << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options =
        norvel::service::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "norvel-service: " << error << "\n" << norvel::service::UsageText();
        return 2;
    }
    norvel::service::CServiceContext context;
    if (const std::string failure = context.Open(options->dataDir); !failure.empty()) {
        std::cerr << "norvel-service: " << failure << std::endl;
        return 1;
    }
    return options->addUser ? AddUser(context, *options) : Serve(context, *options);
}
