#include "ui/desktop/demo_tour.h"

#include "ui/desktop/desktop.h"
#include "ui/main/org_tree.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextEdit>

namespace vantor::ui {

DemoTour::Options DemoTour::fromEnvironment() {
    Options o;
    o.folder = qEnvironmentVariable("VANTOR_DEMO_SHOTS");
    o.account = qEnvironmentVariable("VANTOR_DEMO_ACCOUNT");
    o.password = qEnvironmentVariable("VANTOR_DEMO_PASSWORD");
    o.peer = qEnvironmentVariable("VANTOR_DEMO_PEER").toUInt();
    o.message = qEnvironmentVariable("VANTOR_DEMO_MESSAGE");
    return o;
}

DemoTour::DemoTour(Desktop& desktop, Options options, QObject* parent)
    : QObject(parent), desktop_(desktop), options_(std::move(options)) {
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
}

bool DemoTour::shoot(QWidget* w, const QString& name) {
    if (!w) return false;
    const QString file = QDir(options_.folder).filePath(name);
    const bool ok = w->grab().save(file, "PNG");
    qInfo("demo: %s %s", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

QWidget* DemoTour::conversationWindow() const {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != &desktop_.window() && w->isWindow() && w->width() > 200 &&
            w->windowType() != Qt::ToolTip && w->windowType() != Qt::Popup)
            return w;
    return nullptr;
}

void DemoTour::start() {
    QDir().mkpath(options_.folder);
    MainWindow& win = desktop_.window();
    auto* signIn = win.findChild<QWidget*>(QStringLiteral("SignInPanel"));
    session::TMessengerX& m = desktop_.client().messenger();
    steps_.push_back(
        {QStringLiteral("sign-in panel"), [&win, signIn] { return win.isVisible() && signIn->isVisible(); },
         [this, &win] {
             win.findChild<QLineEdit*>(QStringLiteral("Edt_UserName"))->setText(options_.account);
             win.findChild<QLineEdit*>(QStringLiteral("Edt_Password"))->setText(options_.password);
             shoot(&win, QStringLiteral("1-sign-in.png"));
             win.findChild<QPushButton*>(QStringLiteral("btn_Login"))->click();
         }});
    steps_.push_back(
        {QStringLiteral("signed in"),
         [&m, &win] { return m.SignedIn() && win.tree()->model() && win.tree()->model()->rowCount() > 0; },
         [&win] {
             // Open the first departments so the picture shows colleagues.
             OrgTreeView* tree = win.tree();
             for (int r = 0; r < std::min(3, tree->model()->rowCount()); ++r)
                 tree->expand(tree->model()->index(r, 0));
         }});
    steps_.push_back({QStringLiteral("tree drawn"), [this] { return waited_ >= 800; },
                      [this, &win] { shoot(&win, QStringLiteral("2-organisation.png")); }});
    if (options_.peer != 0) {
        steps_.push_back({QStringLiteral("conversation opened"), [] { return true; },
                          [this, &win] { win.openConversation(options_.peer); }});
        steps_.push_back({QStringLiteral("conversation window"),
                          [this] { return conversationWindow() != nullptr; },
                          [this] {
                              QWidget* w = conversationWindow();
                              if (options_.message.isEmpty()) return;
                              // Type into the window's input box and send, the way a person would.
                              auto edits = w->findChildren<QTextEdit*>();
                              for (QTextEdit* e : edits)
                                  if (!e->isReadOnly()) {
                                      e->setPlainText(options_.message);
                                      break;
                                  }
                              for (QPushButton* b : w->findChildren<QPushButton*>())
                                  if (b->text().contains(QStringLiteral("发送"))) {
                                      b->click();
                                      break;
                                  }
                          },
                          15000});
        steps_.push_back({QStringLiteral("answer arrives"), [this] { return waited_ >= 2500; },
                          [this] { shoot(conversationWindow(), QStringLiteral("3-conversation.png")); }});
    }
    steps_.push_back({QStringLiteral("done"), [] { return true; }, [&m] { m.Exit(); }});
    current_ = 0;
    waited_ = 0;
    timer_.start();
}

void DemoTour::poll() {
    if (current_ >= steps_.size()) {
        timer_.stop();
        return;
    }
    Step& s = steps_[current_];
    waited_ += timer_.interval();
    if (s.ready()) {
        s.run();
        ++current_;
        waited_ = 0;
        return;
    }
    if (waited_ > s.timeoutMs) {
        qWarning("demo: gave up waiting for: %s", qPrintable(s.what));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                qWarning("demo:   window %s \"%s\" %dx%d", w->metaObject()->className(),
                         qPrintable(w->windowTitle()), w->width(), w->height());
        ++current_;
        waited_ = 0;
    }
}

} // namespace vantor::ui
