// A small application for the accessibility tests: two windows with text fields that the
// tests fill through the accessibility bus. Usage: sync_target APPLICATION-NAME.
// It prints "ready" once its windows are shown; on the input line "dump" it prints each
// field as name=text (backslash, CR and LF escaped) and then "end"; "quit" ends it.
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string escaped(const QString& text) {
    std::string out;
    for (char ch : text.toStdString()) {
        if (ch == '\\') {
            out += "\\\\";
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\r') {
            out += "\\r";
        } else {
            out += ch;
        }
    }
    return out;
}

struct Fields {
    QLineEdit* alpha;
    QLineEdit* beta;
    QPlainTextEdit* gamma;
    QLineEdit* delta;

    void dump() const {
        const std::vector<std::pair<const char*, QString>> all = {
            {"alpha", alpha->text()},
            {"beta", beta->text()},
            {"gamma", gamma->toPlainText()},
            {"delta", delta->text()},
        };
        for (const auto& [name, text] : all) std::printf("%s=%s\n", name, escaped(text).c_str());
        std::printf("end\n");
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(argc > 1 ? argv[1] : "SyncTarget");

    // Form1: the editable fields in depth-first order are alpha (inside a group, after a
    // label, whose text is not editable), beta and gamma. Form2 is a dialog with delta.
    QWidget form1;
    form1.setWindowTitle("Form1");
    auto* layout = new QVBoxLayout(&form1);
    auto* group = new QGroupBox("Person", &form1);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(new QLabel("Name", group));
    Fields fields{};
    fields.alpha = new QLineEdit("Alpha", group);
    groupLayout->addWidget(fields.alpha);
    layout->addWidget(group);
    layout->addWidget(new QPushButton("OK", &form1));
    fields.beta = new QLineEdit(&form1);
    layout->addWidget(fields.beta);
    fields.gamma = new QPlainTextEdit("Gamma\nsecond line", &form1);
    layout->addWidget(fields.gamma);

    QDialog form2;
    form2.setWindowTitle("Form2");
    auto* layout2 = new QVBoxLayout(&form2);
    fields.delta = new QLineEdit("Delta", &form2);
    layout2->addWidget(fields.delta);

    form1.show();
    form2.show();
    QTimer::singleShot(0, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });

    std::string pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::string command = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (command == "dump") fields.dump();
            if (command == "quit") app.quit();
        }
    });
    return app.exec();
}
