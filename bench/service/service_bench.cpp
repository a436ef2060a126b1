// Upload throughput of norvel-service: N clients (threads with their own libcurl handle)
// post 4 MiB blocks of one large file each, as the upload protocol lays them out, for a
// few seconds; then the same clients post the same bodies to a sink that reads and
// discards them (the reference: loopback HTTP and the service's reading alone). Reports
// MB/s of both, their ratio, and the service's peak memory (VmHWM) with the bound that
// the concurrent blocks set.

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/child_process.h"
#include "service/digest.h"
#include "service/form.h"
#include "service/json_value.h"

namespace {

constexpr uint64_t kBlock = 4 << 20;
constexpr uint64_t kFileSize = uint64_t(1) << 40;  // larger than any run sends
using Clock = std::chrono::steady_clock;

size_t Collect(char* data, size_t size, size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

struct Reply {
    long status = 0;
    std::string body;
};

Reply Post(CURL* curl, int port, const std::string& target, const std::string& body,
           const std::string& contentType) {
    Reply reply;
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + target;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_slist* headers = curl_slist_append(nullptr, "Expect:");
    headers = curl_slist_append(headers, "Content-Type: application/x-www-form-urlencoded");
    headers = curl_slist_append(headers, ("Content-Type: " + contentType).c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    if (curl_easy_perform(curl) == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    curl_slist_free_all(headers);
    return reply;
}

std::string Key(const std::string& secret, std::vector<std::string> list) {
    std::sort(list.begin(), list.end());
    std::string text = secret;
    for (const std::string& item : list)
        text += item;
    return norvel::service::Md5Hex(text);
}

struct Client {
    std::string tstr, secret, fid;
    std::string name;
};

// A block body as the client writes it (the content is the same bytes for every block:
// the service does not look at content until the file is complete).
std::string BlockBody(const Client& client, uint64_t start, const std::string& content) {
    const std::string range =
        std::to_string(start) + "-" + std::to_string(start + content.size() - 1);
    const std::string ts = "1330000000", size = std::to_string(kFileSize);
    const std::string key =
        Key(client.secret, {"kdw_app1", "kdw_ts" + ts, "kdw_fmtJSON", "kdw_filename" + client.name,
                            "kdw_tstr" + client.tstr, "kdw_ver1.0", "kdw_fid" + client.fid,
                            "kdw_fsize" + size, "kdw_tcon", "kdw_range" + range});
    const std::string d = "--bench-boundary";
    auto part = [&](const std::string& n, const std::string& v) {
        return "\r\n" + d + "\r\nContent-Disposition: form-data; name=\"" + n + "\"\r\n\r\n" + v;
    };
    std::string body = d + "\r\nContent-Disposition: form-data; name=\"kdw_app\"\r\n\r\n1\r\n" + d +
                       "\r\nContent-Disposition: form-data; name=\"kdw_ts\"\r\n\r\n" + ts +
                       part("kdw_fmt", "JSON") + part("kdw_ver", "1.0") + part("kdw_tcon", "") +
                       part("kdw_tstr", client.tstr) + part("kdw_filename", client.name) +
                       part("kdw_range", range) + part("kdw_range", range) +
                       part("kdw_fid", client.fid) + part("kdw_fsize", size) +
                       part("kdw_key", key) + "\r\n" + d +
                       "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
                       client.name + "\r\nContent-Type: application/octet-stream\r\n\r\n";
    return body + content + "\r\n" + d + "--\r\n";
}

std::string InitBody(const Client& client) {
    const std::string ts = "1330000000", size = std::to_string(kFileSize);
    const std::string key =
        Key(client.secret, {"kdw_app1", "kdw_ts" + ts, "kdw_fmtJSON", "kdw_filename" + client.name,
                            "kdw_tstr" + client.tstr, "kdw_ver1.0", "kdw_fid" + client.fid,
                            "kdw_fsize" + size, "kdw_tcon"});
    return "kdw_app=1&kdw_ts=" + ts +
           "&kdw_fmt=JSON&kdw_ver=1.0&user_defined=&kdw_tcon=&kdw_tstr=" + client.tstr +
           "&kdw_filename=" + client.name + "&kdw_fid=" + client.fid + "&kdw_fsize=" + size +
           "&kdw_key=" + key + "&";
}

// Runs the clients for `seconds`; the bytes of block content posted.
uint64_t RunClients(int port, std::vector<Client>& clients, double seconds, bool sink) {
    std::atomic<uint64_t> total{0};
    std::vector<std::thread> threads;
    const auto deadline = Clock::now() + std::chrono::milliseconds(int64_t(seconds * 1000));
    for (Client& client : clients)
        threads.emplace_back([&, port] {
            CURL* curl = curl_easy_init();
            const std::string content(kBlock, 'n');
            Post(curl, port, "/up/up_init", InitBody(client), "application/x-www-form-urlencoded");
            uint64_t start = 0;
            while (Clock::now() < deadline) {
                const std::string body = BlockBody(client, start, content);
                const Reply reply =
                    sink ? Post(curl, port, "/_admin/sink", body, "application/octet-stream")
                         : Post(curl, port, "/up/up_blk", body,
                                "multipart/form-data; boundary=bench-boundary");
                if (reply.status != 200) {
                    std::fprintf(stderr, "block refused: %ld %s\n", reply.status,
                                 reply.body.c_str());
                    break;
                }
                start += kBlock;
                total += kBlock;
            }
            curl_easy_cleanup(curl);
        });
    for (std::thread& thread : threads)
        thread.join();
    return total;
}

std::string PeakMemory(int pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return line.substr(6);
    return "?";
}

double Measure(int port, std::vector<Client>& clients, double seconds, bool sink) {
    const auto start = Clock::now();
    const uint64_t bytes = RunClients(port, clients, seconds, sink);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return double(bytes) / elapsed / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 4;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 5;
    const std::string data = std::string(argc > 3 ? argv[3] : NORVEL_BENCH_DIR) + "/service-data";
    std::filesystem::remove_all(data);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    platform::ChildProcess service;
    if (!service.Start(NORVEL_SERVICE_BINARY, {"--data", data, "--listen", "127.0.0.1:0"})) {
        std::fprintf(stderr, "cannot start %s\n", NORVEL_SERVICE_BINARY);
        return 1;
    }
    const int port = std::stoi(service.ReadLine(10000).value_or("0"));
    CURL* admin = curl_easy_init();
    Post(admin, port, "/_admin/switch",
         "require_signatures=0&segment_threshold=" + std::to_string(kFileSize) +
             "&block_size=" + std::to_string(kBlock),
         "application/x-www-form-urlencoded");
    std::vector<Client> clients;
    for (int i = 0; i < count; ++i) {
        const Reply auth =
            Post(admin, port, "/app/pc/anon.upauth.php", "cname=bench" + std::to_string(i),
                 "application/x-www-form-urlencoded");
        const auto reply = norvel::service::CJsonValue::Parse(auth.body);
        clients.push_back(Client{reply ? reply->Text("kdw_tstr") : "",
                                 reply ? reply->Text("secret") : "",
                                 norvel::service::Md5Hex("file" + std::to_string(i)),
                                 "bench" + std::to_string(i) + ".bin"});
    }
    curl_easy_cleanup(admin);
    const double reference = Measure(port, clients, seconds, true);
    const double upload = Measure(port, clients, seconds, false);
    std::printf("clients: %d, blocks of %llu MiB, %.1f s each run\n", count,
                (unsigned long long)(kBlock >> 20), seconds);
    std::printf("reference (sink, read and discarded): %.0f MB/s\n", reference);
    std::printf("upload (/up/up_blk, written to disk):  %.0f MB/s (%.2f of the reference)\n",
                upload, upload / reference);
    std::printf("service peak memory (VmHWM): %s (bound: %d concurrent blocks)\n",
                PeakMemory(service.Pid()).c_str(), count);
    service.Stop(10000);
    std::filesystem::remove_all(data);
    return upload > 0 ? 0 : 1;
}
