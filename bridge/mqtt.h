// A thin MQTT client on libmosquitto, driven by its owner's poll() loop (no
// thread of its own): connect without blocking, service the socket when it is
// ready, publish, subscribe. One client per sensor, so that each carries its
// own last will on that sensor's status topic.
#pragma once

#include <functional>
#include <string>
#include <string_view>

struct mosquitto;
struct mosquitto_message;

namespace lq::bridge {

struct MqttOptions {
    std::string host = "127.0.0.1";
    int port = 1883;
    std::string clientId;
    int keepalive = 30;
    std::string username;  // empty: none
    std::string password;
    bool tls = false;
    std::string caFile;
    std::string willTopic;  // empty: no will
    std::string willPayload;
};

// Process-wide set-up of libmosquitto; create one before any client.
class MqttLibrary {
  public:
    MqttLibrary();
    ~MqttLibrary();
    MqttLibrary(const MqttLibrary&) = delete;
    MqttLibrary& operator=(const MqttLibrary&) = delete;
};

class MqttClient {
  public:
    explicit MqttClient(const MqttOptions& options);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Starts a connection attempt (the first or a new one after a loss).
    // false: it failed at once, `error` says why.
    bool StartConnect(std::string& error);
    // The socket to poll (-1: none).
    int Socket() const;
    // Output is waiting for the socket.
    bool WantWrite() const;
    // Reads, writes and keeps the connection alive. false: the connection is
    // lost (or the attempt failed); `error` says why.
    bool Service(bool readable, bool writable, std::string& error);
    // The broker has accepted the connection.
    bool Connected() const { return connected_; }
    bool Publish(const std::string& topic, std::string_view payload, int qos, bool retain);
    bool Subscribe(const std::string& pattern, int qos);
    // Sends DISCONNECT (the will is not published) and closes the socket.
    void Disconnect();
    // Drops the socket of an attempt that is not answered, without a word to the broker.
    void Abort();
    // QoS 1 publishes not yet acknowledged by the broker.
    int Unacknowledged() const { return unacked_; }

    std::function<void()> onConnect;  // after the broker's CONNACK
    std::function<void(const std::string& topic, std::string_view payload)> onMessage;

  private:
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* m);
    static void OnPublish(mosquitto*, void* self, int mid);
    void Lost();
    void Create();

    MqttOptions options_;
    mosquitto* m_ = nullptr;
    bool started_ = false;
    bool connected_ = false;
    int connackError_ = 0;
    int unacked_ = 0;
};

}  // namespace lq::bridge
