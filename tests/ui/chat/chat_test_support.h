// Shared pieces of the conversation window tests: the program's artwork folders, a temporary
// account folder, and services that record what the windows ask of the rest of the client.
#pragma once

#include "ui/chat/chat_services.h"

#include <QImage>
#include <QTemporaryDir>

#include <map>
#include <string>
#include <vector>

namespace chat_ui_test {

using namespace vantor::ui;

inline PictureFolders artworkFolders(const QString& images) {
    const QString bin = QStringLiteral(VANTOR_BIN_DIR);
    return {bin + QStringLiteral("/Face/"), bin + QStringLiteral("/SysImages/"),
            bin + QStringLiteral("/CustomFace/"), images};
}

// A small picture file of a given format.
inline QString writePicture(const QString& path, const char* format = "JPG", QColor colour = Qt::red) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path, format);
    return path;
}

struct RecordingServices : IChatServices {
    std::map<uint32_t, PeerCard> cards;
    std::vector<std::pair<uint32_t, std::string>> requested; // owner, picture
    std::vector<std::vector<std::string>> offered;
    std::vector<QString> files, opened, alerts, questions;
    std::vector<ChatTool> tools;
    std::vector<std::string> actions;
    int fileTransfers = 0, media = 0, ended = 0;
    bool answer = true;
    QString saveName;
    bool holdAnswers = false;
    std::function<void(bool)> heldAnswer;

    std::optional<PeerCard> peerCard(uint32_t id) override {
        auto it = cards.find(id);
        if (it == cards.end()) return std::nullopt;
        return it->second;
    }
    void requestPicture(const vantor::conversation::Conversation&, uint32_t owner,
                        const std::string& name) override {
        requested.emplace_back(owner, name);
    }
    void offerPictures(const vantor::conversation::Conversation&,
                       const std::vector<std::string>& names) override {
        offered.push_back(names);
    }
    void offerFile(const vantor::conversation::Conversation&, const QString& path) override {
        files.push_back(path);
    }
    void tool(const vantor::conversation::Conversation&, ChatTool t) override { tools.push_back(t); }
    void actionLink(const vantor::conversation::Conversation&, const std::string& action,
                    const std::string&) override {
        actions.push_back(action);
    }
    int runningFileTransfers(const vantor::conversation::Conversation&) override { return fileTransfers; }
    int runningMedia(const vantor::conversation::Conversation&) override { return media; }
    void endActivities(const vantor::conversation::Conversation&) override { ++ended; }
    void openPath(const QString& path) override { opened.push_back(path); }
    void openUrl(const QUrl& url) override { opened.push_back(url.toString()); }
    void alert(QWidget*, const QString& text) override { alerts.push_back(text); }
    // Answers at once with `answer`, or keeps the question open in `heldAnswer` (holdAnswers).
    void confirm(QWidget*, const QString&, const QString& text, std::function<void(bool)> done) override {
        questions.push_back(text);
        if (holdAnswers)
            heldAnswer = std::move(done);
        else
            done(answer);
    }
    void saveFileName(QWidget*, const QString&, std::function<void(const QString&)> done) override {
        if (!saveName.isEmpty()) done(saveName);
    }
    void openPictureName(QWidget*, std::function<void(const QString&)>) override {}
    void chooseColour(QWidget*, const QColor&, std::function<void(const QColor&)>) override {}
};

} // namespace chat_ui_test
