// A guided run for the demo and for people who want pictures of the client: with
// VANTOR_DEMO_SHOTS naming a folder, the desktop client photographs its main window on the sign-in
// panel, signs in with VANTOR_DEMO_ACCOUNT / VANTOR_DEMO_PASSWORD from that panel, photographs the
// organisation tree, opens the conversation with the colleague VANTOR_DEMO_PEER (a user id),
// photographs the conversation window when one appears, and ends the client. Every wait is a timer
// on the event loop.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

namespace vantor::ui {

class Desktop;

class DemoTour : public QObject {
    Q_OBJECT
  public:
    struct Options {
        QString folder;
        QString account;
        QString password;
        uint32_t peer = 0;
        QString message; // sent to the peer from the conversation window, when it offers a way
    };
    // Options from the environment; empty folder when the tour is not wanted.
    static Options fromEnvironment();

    DemoTour(Desktop& desktop, Options options, QObject* parent = nullptr);
    void start();

  private:
    struct Step {
        QString what;
        std::function<bool()> ready; // polled every 100 ms
        std::function<void()> run;
        int timeoutMs = 20000;
    };
    void next();
    void poll();
    bool shoot(QWidget* w, const QString& name);
    QWidget* conversationWindow() const;

    Desktop& desktop_;
    Options options_;
    std::vector<Step> steps_;
    size_t current_ = 0;
    int waited_ = 0;
    QTimer timer_;
};

} // namespace vantor::ui
