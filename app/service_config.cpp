#include "app/service_config.h"

#include "app/settings_store.h"

ServicePieces ServiceConfig::defaults() {
    ServicePieces p;
    p.tokenEndpoint = "https://aip.baidubce.com/oauth/2.0/token";
    p.apiBaseUrl = "https://aip.baidubce.com/rest/2.0/";
    p.generalPath = "ocr/v1/general_basic";
    p.handwritingPath = "ocr/v1/handwriting";
    p.vehicleLicencePath = "ocr/v1/vehicle_license";
    // No update server is run for this build; a site that publishes an update document
    // names it in service.ini.
    p.updateInfoUrl = "";
    p.caFile = "";
    p.youdaoHost = "fanyi.youdao.com";
    p.googleHost = "translate.google.com";
    return p;
}

ServicePieces ServiceConfig::load(const Text& file) {
    ServicePieces p = defaults();
    struct Key {
        const char* name;
        Text ServicePieces::*field;
    };
    static const Key keys[] = {
        {"TokenEndpoint", &ServicePieces::tokenEndpoint},
        {"ApiBaseUrl", &ServicePieces::apiBaseUrl},
        {"GeneralPath", &ServicePieces::generalPath},
        {"HandwritingPath", &ServicePieces::handwritingPath},
        {"VehicleLicensePath", &ServicePieces::vehicleLicencePath},
        {"UpdateInfoUrl", &ServicePieces::updateInfoUrl},
        {"CaFile", &ServicePieces::caFile},
        {"YoudaoHost", &ServicePieces::youdaoHost},
        {"GoogleHost", &ServicePieces::googleHost},
    };
    for (const Key& k : keys) {
        Text value = SettingsStore::read(file, kSection, k.name);
        if (!value.empty()) p.*k.field = value;
    }
    // Every recognition address is the base followed by a relative path.
    if (!p.apiBaseUrl.empty() && p.apiBaseUrl.back() != '/') p.apiBaseUrl += '/';
    return p;
}

void ServiceConfig::apply(AppState& state) {
    state.servicePieces = load(state.pathOf(kFileName));
    state.updateInfoAddress = state.servicePieces.updateInfoUrl;
}
