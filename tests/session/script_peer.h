// A scripted stand-in for the sensor on 127.0.0.1: answers each order with a
// fixed response, for answers the simulator does not produce on demand (a
// given cycle count and time, an over-long sensor name).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/crc8.h"

namespace lq::test {

class ScriptPeer {
  public:
    struct Answer {
        uint16_t status = 0;
        std::vector<uint8_t> data;
        bool silent = false;  // no answer at all
    };

    ScriptPeer() {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        ::listen(listenFd_, 4);
        socklen_t len = sizeof(addr);
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptPeer() {
        stop_ = true;
        thread_.join();
        ::close(listenFd_);
    }
    ScriptPeer(const ScriptPeer&) = delete;
    ScriptPeer& operator=(const ScriptPeer&) = delete;

    int Port() const { return port_; }

    void Set(int order, Answer answer) {
        std::lock_guard<std::mutex> lock(mu_);
        answers_[order] = std::move(answer);
    }
    static Answer Text(const std::string& text, uint16_t status = 0) {
        return Answer{status, std::vector<uint8_t>(text.begin(), text.end()), false};
    }
    static Answer CycleTime(int32_t count, int32_t time) {
        Answer a;
        for (int32_t v : {count, time})
            for (int i = 0; i < 4; ++i)
                a.data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
        return a;
    }
    std::vector<int> Orders() const {
        std::lock_guard<std::mutex> lock(mu_);
        return orders_;
    }

  private:
    bool WaitReadable(int fd) {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }
    bool ReadAll(int fd, uint8_t* out, size_t n) {
        size_t got = 0;
        while (got < n) {
            if (!WaitReadable(fd)) return false;
            const ssize_t r = ::read(fd, out + got, n - got);
            if (r <= 0) return false;
            got += static_cast<size_t>(r);
        }
        return true;
    }
    void Serve() {
        while (WaitReadable(listenFd_)) {
            const int fd = ::accept(listenFd_, nullptr, nullptr);
            if (fd < 0) continue;
            uint8_t header[8];
            std::vector<uint8_t> data;
            while (ReadAll(fd, header, 8)) {
                const size_t length = header[4] | (header[5] << 8);
                data.resize(length);
                if (length > 0 && !ReadAll(fd, data.data(), length)) break;
                const int order = header[1];
                Answer answer;
                {
                    std::lock_guard<std::mutex> lock(mu_);
                    orders_.push_back(order);
                    if (auto it = answers_.find(order); it != answers_.end()) answer = it->second;
                }
                if (answer.silent) continue;
                std::vector<uint8_t> frame(8 + answer.data.size());
                std::copy(answer.data.begin(), answer.data.end(), frame.begin() + 8);
                BuildFrameHeader(frame.data(), order, answer.status,
                                 static_cast<uint16_t>(answer.data.size()));
                if (::write(fd, frame.data(), frame.size()) < 0) break;
            }
            ::close(fd);
        }
    }

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mu_;
    std::map<int, Answer> answers_;
    std::vector<int> orders_;
    std::thread thread_;
};

}  // namespace lq::test
