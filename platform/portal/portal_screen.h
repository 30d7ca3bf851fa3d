#pragma once
// The screen of a Wayland session, where no program may read the screen itself: every
// capture asks the desktop portal for a picture of all screens, decodes it once and cuts
// from it what was asked for. Where the desktop asks the user first, the capture waits for
// the answer; a refusal, a desktop without the portal or no answer in time leave the capture
// empty, and lastFailure() says why.
#include <QImage>
#include <QRect>

#include "platform/screen.h"

class PortalScreen : public platform::Screen {
public:
    // Long enough for a user who reads the desktop's question before answering it.
    static constexpr int kAnswerTimeoutMs = 120000;

    // The status texts of lastFailure().
    static constexpr const char* kRefused = "状态：截图失败：截图请求被拒绝";
    static constexpr const char* kEnded = "状态：截图失败：桌面拒绝了截图或未能完成截图";
    static constexpr const char* kNoPortal =
        "状态：截图失败：桌面没有提供截图门户（xdg-desktop-portal）";
    static constexpr const char* kTimedOut = "状态：截图失败：等待桌面截图超时";
    static constexpr const char* kUnreadable = "状态：截图失败：读不出桌面交来的截图";

    // Asks the portal on the session bus; needs a Qt application object for its events.
    explicit PortalScreen(int answerTimeoutMs = kAnswerTimeoutMs);

    platform::ScreenSize size() override;
    std::vector<platform::Monitor> monitors() override;
    std::string capture(int left, int top, int width, int height) override;
    platform::ScreenImage snapshot() override;
    std::string lastFailure() override;

private:
    struct Desktop {
        QImage picture;  // every monitor, each in its own pixels
        QPoint origin;   // the screen point of its corner
    };

    // One picture from the portal, or a null picture and the failure set.
    Desktop take();

    int m_timeoutMs;
    std::string m_failure;
};
