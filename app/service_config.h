#pragma once
// service.ini in the program folder: the addresses of the OCR service, the update
// document and the translators, and an optional CA file for TLS. Keys that the file
// leaves out (or leaves empty) take the built-in defaults.
#include "app/app_state.h"

class ServiceConfig {
public:
    static constexpr const char* kFileName = "service.ini";
    static constexpr const char* kSection = "service";

    // The built-in defaults.
    static ServicePieces defaults();
    // Reads service.ini of the program folder over the defaults.
    static ServicePieces load(const Text& file);
    // Startup step 2: the pieces and the update-information address.
    static void apply(AppState& state);
};
