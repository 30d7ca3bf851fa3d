#pragma once
// While the region selector runs, the user's input belongs to its windows alone, as if they
// were modal: every other window of the program ignores the pointer, the keyboard and the
// window system's close request. The selector's windows are not made modal themselves: one
// window per monitor would need several modal windows, which Qt lets block each other, or
// windows kept with a modal parent, which a Wayland compositor may keep on the parent's output.
#include <QObject>
#include <vector>

class QWindow;

class OverlayInputGuard : public QObject {
public:
    // Guards from construction to destruction; the windows may be created later.
    OverlayInputGuard();
    ~OverlayInputGuard() override;

    void allow(QWindow* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<QWindow*> m_allowed;
};
