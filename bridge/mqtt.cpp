#include "bridge/mqtt.h"

#include <mosquitto.h>

#include <cstring>

namespace lq::bridge {

MqttLibrary::MqttLibrary() {
    mosquitto_lib_init();
}
MqttLibrary::~MqttLibrary() {
    mosquitto_lib_cleanup();
}

MqttClient::MqttClient(const MqttOptions& options) : options_(options) {
    Create();
}

void MqttClient::Create() {
    m_ = mosquitto_new(options_.clientId.c_str(), true, this);
    if (!m_) return;
    mosquitto_connect_callback_set(m_, &MqttClient::OnConnect);
    mosquitto_message_callback_set(m_, &MqttClient::OnMessage);
    mosquitto_publish_callback_set(m_, &MqttClient::OnPublish);
    if (!options_.willTopic.empty())
        mosquitto_will_set(m_, options_.willTopic.c_str(),
                           static_cast<int>(options_.willPayload.size()),
                           options_.willPayload.data(), 1, true);
    if (!options_.username.empty())
        mosquitto_username_pw_set(m_, options_.username.c_str(),
                                  options_.password.empty() ? nullptr : options_.password.c_str());
    if (options_.tls)
        mosquitto_tls_set(m_, options_.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
}

MqttClient::~MqttClient() {
    if (m_) mosquitto_destroy(m_);
}

bool MqttClient::StartConnect(std::string& error) {
    if (!m_) {
        error = "cannot create an MQTT client";
        return false;
    }
    connected_ = false;
    connackError_ = 0;
    unacked_ = 0;
    const int rc = started_ ? mosquitto_reconnect_async(m_)
                            : mosquitto_connect_async(m_, options_.host.c_str(), options_.port,
                                                      options_.keepalive);
    if (rc != MOSQ_ERR_SUCCESS) {
        error = rc == MOSQ_ERR_ERRNO ? std::string(std::strerror(errno)) : mosquitto_strerror(rc);
        // A failed first attempt leaves nothing to reconnect with.
        return false;
    }
    started_ = true;
    return true;
}

int MqttClient::Socket() const {
    return m_ ? mosquitto_socket(m_) : -1;
}

bool MqttClient::WantWrite() const {
    return m_ && mosquitto_want_write(m_);
}

bool MqttClient::Service(bool readable, bool writable, std::string& error) {
    if (!m_ || Socket() < 0) {
        error = "not connected";
        return false;
    }
    int rc = MOSQ_ERR_SUCCESS;
    if (readable) rc = mosquitto_loop_read(m_, 1);
    if (rc == MOSQ_ERR_SUCCESS && writable) rc = mosquitto_loop_write(m_, 1);
    if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_misc(m_);
    if (rc == MOSQ_ERR_SUCCESS && connackError_ != 0) {
        error = mosquitto_connack_string(connackError_);
        Lost();
        return false;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        error = rc == MOSQ_ERR_ERRNO ? std::string(std::strerror(errno)) : mosquitto_strerror(rc);
        if (rc == MOSQ_ERR_CONN_LOST || rc == MOSQ_ERR_NO_CONN) error = "connection lost";
        if (rc == MOSQ_ERR_KEEPALIVE) error = "no answer within the keep-alive time";
        Lost();
        return false;
    }
    return true;
}

void MqttClient::Lost() {
    connected_ = false;
    unacked_ = 0;
    // Closes the socket; the next StartConnect opens a new one.
    if (m_) mosquitto_disconnect(m_);
}

bool MqttClient::Publish(const std::string& topic, std::string_view payload, int qos, bool retain) {
    if (!m_ || !connected_) return false;
    const int rc = mosquitto_publish(m_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                                     payload.data(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS) return false;
    if (qos > 0) ++unacked_;
    return true;
}

bool MqttClient::Subscribe(const std::string& pattern, int qos) {
    return m_ && connected_ &&
           mosquitto_subscribe(m_, nullptr, pattern.c_str(), qos) == MOSQ_ERR_SUCCESS;
}

void MqttClient::Abort() {
    // A connection that never got going: start again from a fresh client.
    if (m_) mosquitto_destroy(m_);
    m_ = nullptr;
    started_ = false;
    connected_ = false;
    unacked_ = 0;
    Create();
}

void MqttClient::Disconnect() {
    if (!m_) return;
    if (connected_) {
        mosquitto_disconnect(m_);
        // The DISCONNECT packet goes out with whatever is still queued.
        for (int i = 0; i < 100 && mosquitto_want_write(m_); ++i)
            if (mosquitto_loop_write(m_, 1) != MOSQ_ERR_SUCCESS) break;
    }
    connected_ = false;
}

void MqttClient::OnConnect(mosquitto*, void* self, int rc) {
    auto* c = static_cast<MqttClient*>(self);
    if (rc != 0) {
        c->connackError_ = rc;
        return;
    }
    c->connected_ = true;
    if (c->onConnect) c->onConnect();
}

void MqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* m) {
    auto* c = static_cast<MqttClient*>(self);
    if (c->onMessage && m && m->topic)
        c->onMessage(m->topic, std::string_view(static_cast<const char*>(m->payload),
                                                static_cast<size_t>(m->payloadlen)));
}

void MqttClient::OnPublish(mosquitto*, void* self, int) {
    auto* c = static_cast<MqttClient*>(self);
    if (c->unacked_ > 0) --c->unacked_;
}

}  // namespace lq::bridge
