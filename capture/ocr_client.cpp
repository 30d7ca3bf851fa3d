#include "capture/ocr_client.h"

#include "app/control_names.h"
#include "app/layout.h"
#include "app/settings_store.h"
#include "capture/kept_buffer.h"
#include "json/json_document.h"
#include "net/base64.h"
#include "net/text_encoding.h"

OcrClient::OcrClient(AppState& state, platform::Form& form, HttpClient& http)
    : m_state(state), m_form(form), m_http(http), m_status(form) {}

Text OcrClient::tokenRequestAddress(const Text& tokenEndpoint, const Text& apiKey,
                                    const Text& secretKey) {
    // The keys go in exactly as the user wrote them, as the service has always received them.
    return tokenEndpoint + "?grant_type=client_credentials&client_id=" + apiKey +
           "&client_secret=" + secretKey;
}

std::array<Text, 12> OcrClient::buildEndpoints(const ServicePieces& p, const Text& token,
                                               const std::array<Text, 12>& previous) {
    std::array<Text, 12> e = previous;
    const Text base = p.apiBaseUrl;
    const Text query = "?access_token=" + token;
    e[0] = base + "ocr/v1/accurate_basic";
    e[1] = base + p.generalPath;
    e[2] = base + p.handwritingPath + query;
    e[3] = base + "ocr/v1/numbers" + query;
    e[5] = base + p.vehicleLicencePath + query;
    e[6] = base + p.vehicleLicencePath;
    e[7] = base + "ocr/v1/idcard";
    e[8] = base + "ocr/v1/idcard";
    return e;
}

Text OcrClient::bodyPrefix(int kind, const Text& token, const Text& code) {
    switch (kind) {
        case 1:
        case 2:
            return "access_token=" + token + "&language_type=" + code + "&";
        case 7:
            return "access_token=" + token +
                   "&detect_direction=false&accuracy=&vehicle_license_side=back&";
        case 8:
            return "access_token=" + token + "&id_card_side=front&";
        case 9:
            return "access_token=" + token + "&id_card_side=back&";
        default:
            return Text();
    }
}

void OcrClient::FetchToken() {
    applyToken(requestToken(tokenAddress()));
}

Text OcrClient::tokenAddress() {
    const Text profile = m_form.text(ctl::组合框key);
    const Text apiKey = SettingsStore::read(m_state.keyFilePath, profile, "API Key");
    const Text secretKey = SettingsStore::read(m_state.keyFilePath, profile, "Secret Key");
    return tokenRequestAddress(m_state.servicePieces.tokenEndpoint, apiKey, secretKey);
}

Text OcrClient::requestToken(const Text& address) {
    const Bytes reply = m_http.Request(address, static_cast<int>(HttpMethod::Get));
    JsonDocument json;
    json.Parse(Utf8ToGbk(reply));
    const Text token = json.GetText("access_token");
    // The token goes unencoded into addresses and form bodies: one that could add a line, a
    // field or a fragment there is no token of ours.
    for (unsigned char c : token)
        if (c <= 0x20 || c >= 0x7F || c == '&' || c == '#' || c == '?') return Text();
    return token;
}

void OcrClient::applyToken(const Text& token) {
    if (token.empty()) {
        // The old addresses stay; only the token is gone.
        m_state.setService(token, nullptr);
        m_status.append("状态：获取access_token失败");
        return;
    }
    const auto endpoints =
        buildEndpoints(m_state.servicePieces, token, m_state.recognitionEndpoints());
    m_state.setService(token, &endpoints);
    m_status.append("状态：启动成功");
    for (int n = 1; n <= m_state.hotkeyCount; ++n)
        m_form.setEnabled(layout::findByTag(n + 20, layout::Kind::Button).name, true);
}

Text OcrClient::languageCode() {
    const int index = m_form.selectedIndex(ctl::组合框文字);
    // A damaged settings file can leave the list without a selection: detect automatically.
    if (index < 0 || index >= static_cast<int>(m_state.languageCodes.size()) ||
        m_state.languageCodes[index].empty())
        return "auto_detect";
    return m_state.languageCodes[index];
}

Text OcrClient::languageCodeFor(int kind) {
    return (kind == 1 || kind == 2) ? languageCode() : Text();
}

Text OcrClient::Recognize(const Bytes& image, int kind, const ServiceSnapshot& service) {
    if (kind < 1 || kind > 12) return Text();
    return Recognize(image, kind, service, languageCodeFor(kind));
}

Text OcrClient::Recognize(const Bytes& image, int kind, const ServiceSnapshot& service,
                          const Text& code) {
    if (kind < 1 || kind > 12) return Text();
    // Kept by each thread that recognizes: a capture's body is most of a megabyte.
    thread_local Text body;
    const KeptBuffer kept(body);
    body.assign(bodyPrefix(kind, service.accessToken, code));
    body += "image=";
    Base64::AppendUrlEncoded(image, body);
    const Text& address = service.recognitionEndpoints[kind - 1];
    const Text reply = Utf8ToGbk(m_http.Request(address, static_cast<int>(HttpMethod::Post), body));
    return reply;
}

Text OcrClient::Recognize(const Bytes& image, int kind) {
    return Recognize(image, kind, m_state.snapshotService());
}
