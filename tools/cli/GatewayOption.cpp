#include "tools/cli/GatewayOption.h"

#ifdef VANTORIX_HAVE_KANNEL
#include "device/kannel/KannelBackend.h"
#endif

void AddGatewayOptions(CLI::App* cmd, GatewayOption& gateway) {
    cmd->add_option("--gateway", gateway.kind,
                    "send through an SMS gateway instead of a modem: kannel (Kannel's smsbox), "
                    "or none (a modem; resume otherwise keeps the campaign's gateway)")
        ->check(CLI::IsMember({"kannel", "none"}))
        ->each([&gateway](const std::string&) { gateway.given = true; });
    cmd->add_option("--gateway-url", gateway.url,
                    "with --gateway kannel: smsbox's sendsms URL, e.g. "
                    "http://127.0.0.1:13013/cgi-bin/sendsms");
    cmd->add_option("--gateway-user", gateway.user, "with --gateway kannel: a sendsms-user");
    cmd->add_option("--gateway-password-file", gateway.passwordFile,
                    "with --gateway kannel: a file (readable by you alone) whose first line is "
                    "the password; never written to the store, the report or the log");
    cmd->add_option("--dlr-listen", gateway.listen,
                    "with --gateway kannel: HOST:PORT where delivery reports and replies are "
                    "taken (default 127.0.0.1:13080); Kannel's dlr-url is built from it");
    cmd->add_option("--gateway-parallel", gateway.parallel,
                    "with --gateway kannel: requests in flight at most (default 8)")
        ->check(CLI::Range(1, 256));
}

void SaveGatewaySettings(const GatewayOption& gateway, nlohmann::json& settings) {
    if (!gateway.Active()) {
        return;
    }
    settings["gateway"] = {{"kind", gateway.kind},     {"url", gateway.url},
                           {"user", gateway.user},     {"password_file", gateway.passwordFile},
                           {"listen", gateway.listen}, {"parallel", gateway.parallel}};
}

void LoadGatewaySettings(const nlohmann::json& settings, GatewayOption& gateway) {
    const auto it = settings.find("gateway");
    if (gateway.given || it == settings.end() || !it->is_object()) {
        return;
    }
    const nlohmann::json& g = *it;
    gateway.kind = g.value("kind", gateway.kind);
    gateway.url = g.value("url", gateway.url);
    gateway.user = g.value("user", gateway.user);
    gateway.passwordFile = g.value("password_file", gateway.passwordFile);
    gateway.listen = g.value("listen", gateway.listen);
    gateway.parallel = g.value("parallel", gateway.parallel);
}

#ifdef VANTORIX_HAVE_KANNEL

struct GatewayLink::State {
    Kannel::Settings settings;
};

GatewayLink::GatewayLink() = default;
GatewayLink::~GatewayLink() = default;

bool GatewayLink::Open(const GatewayOption& option, std::string& error) {
    if (option.url.empty() || option.user.empty() || option.passwordFile.empty()) {
        error =
            "--gateway kannel needs --gateway-url, --gateway-user and "
            "--gateway-password-file";
        return false;
    }
    auto state = std::make_unique<State>();
    state->settings.url = option.url;
    state->settings.user = option.user;
    state->settings.listen = option.listen;
    state->settings.parallel = option.parallel;
    if (!Kannel::ReadPasswordFile(option.passwordFile, state->settings.password, error)) {
        return false;
    }
    m_state = std::move(state);
    return true;
}

DeviceLink::BackendFactory GatewayLink::Factory() const {
    return Kannel::MakeBackendFactory(m_state->settings);
}

std::string GatewayLink::Name() const {
    return "Kannel " + m_state->settings.url;
}

std::string GatewayLink::LastError() const {
    return Kannel::LastError();
}

void GatewayLink::Close() {
    if (m_state) {
        Kannel::CloseListener(m_state->settings);
    }
}

#else

struct GatewayLink::State {};

GatewayLink::GatewayLink() = default;
GatewayLink::~GatewayLink() = default;

bool GatewayLink::Open(const GatewayOption& /*option*/, std::string& error) {
    error = "this build has no Kannel backend (it needs Qt HTTP Server: scripts/deps.sh kannel)";
    return false;
}

DeviceLink::BackendFactory GatewayLink::Factory() const {
    return {};
}

std::string GatewayLink::Name() const {
    return {};
}

std::string GatewayLink::LastError() const {
    return {};
}

void GatewayLink::Close() {}

#endif
