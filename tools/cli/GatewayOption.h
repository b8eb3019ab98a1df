// Sending through an SMS gateway (Kannel) instead of a modem, for send,
// resume and run-due: the options, what a campaign keeps of them, and the
// link they open.
#pragma once

#include <memory>
#include <string>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "device/link/BackendInterface.h"

struct GatewayOption {
    std::string kind = "none";  // "none" (a modem) or "kannel"
    std::string url;            // smsbox's sendsms URL
    std::string user;
    std::string passwordFile;  // readable by the user alone
    std::string listen = "127.0.0.1:13080";
    int parallel = 8;
    bool given = false;  // --gateway was on the command line

    bool Active() const { return kind == "kannel"; }
};

void AddGatewayOptions(CLI::App* cmd, GatewayOption& gateway);

// The gateway in the campaign's settings: everything but the password. The
// password file's path is kept, so that resume and run-due (a timer, with
// nobody to ask) read it again.
void SaveGatewaySettings(const GatewayOption& gateway, nlohmann::json& settings);
// The campaign's gateway, unless the command line chose one (--gateway).
void LoadGatewaySettings(const nlohmann::json& settings, GatewayOption& gateway);

// The open gateway: reads the password file (refused unless private),
// checks the settings, and gives the device link its backend.
class GatewayLink final {
public:
    GatewayLink();
    ~GatewayLink();
    GatewayLink(const GatewayLink&) = delete;
    GatewayLink& operator=(const GatewayLink&) = delete;

    // False with `error` (never holding the password) when it cannot be used.
    bool Open(const GatewayOption& option, std::string& error);
    DeviceLink::BackendFactory Factory() const;
    // What the rows record as the sender: "Kannel http://host:port/...".
    std::string Name() const;
    // Why the backend could not be created (the listener, the URL).
    std::string LastError() const;
    // Before the program quits: lets smsbox post what it holds again later.
    void Close();

private:
    struct State;
    std::unique_ptr<State> m_state;
};
