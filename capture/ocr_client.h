#pragma once
// The program's side of the cloud OCR service: the access-token step and one recognition
// request per capture. Replies come back as text for the recognition workflow to read.
#include <array>

#include "app/app_state.h"
#include "app/status_line.h"
#include "net/http_client.h"
#include "platform/form.h"

enum class RecognitionKind {
    Accurate = 1,
    General = 2,
    Handwriting = 3,
    Numbers = 4,
    Offline = 5,  // the engine on this machine: no service address
    VehicleLicenceFront = 6,
    VehicleLicenceBack = 7,
    IdCardFront = 8,
    IdCardBack = 9,
};

class OcrClient {
public:
    OcrClient(AppState& state, platform::Form& form, HttpClient& http);

    // Exchanges the selected key profile for an access token: tokenAddress, requestToken and
    // applyToken in a row. The exchange is split so that its wait can run on a worker.
    void FetchToken();
    // The token request for the key profile selected in 组合框key (user-interface thread).
    Text tokenAddress();
    // Sends the token request and returns the token, empty when there is none. Touches
    // neither the window nor the state, so any thread may wait in it.
    Text requestToken(const Text& address);
    // On success the status line gains "状态：启动成功", the recognition addresses are
    // rebuilt and the five capture buttons are enabled; otherwise it gains
    // "状态：获取access_token失败" and the addresses and buttons stay as they were.
    // User-interface thread.
    void applyToken(const Text& token);

    // Sends one JPEG image for the kind and returns the reply as text (empty when the
    // exchange failed). The token and address are those of the snapshot, taken when the
    // worker started, so a token step in between cannot change them half-way.
    Text Recognize(const Bytes& image, int kind, const ServiceSnapshot& service);
    Text Recognize(const Bytes& image, int kind);
    // The same with the language field read before (languageCodeFor), so a worker need not
    // wait for the window to read it.
    Text Recognize(const Bytes& image, int kind, const ServiceSnapshot& service,
                   const Text& languageCode);
    // The language field of a kind's request: the choice in 组合框文字 for kinds 1 and 2,
    // empty for the others. Reads the window.
    Text languageCodeFor(int kind);

    // The addresses of every kind for a token (element k-1 belongs to kind k).
    static std::array<Text, 12> buildEndpoints(const ServicePieces& pieces, const Text& token,
                                               const std::array<Text, 12>& previous);
    // The form fields that come before "image=" for a kind.
    static Text bodyPrefix(int kind, const Text& token, const Text& languageCode);
    static Text tokenRequestAddress(const Text& tokenEndpoint, const Text& apiKey,
                                    const Text& secretKey);

private:
    Text languageCode();

    AppState& m_state;
    platform::Form& m_form;
    HttpClient& m_http;
    StatusLine m_status;
};
