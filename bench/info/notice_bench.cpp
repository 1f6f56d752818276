// The notice body's RTF codec against QTextDocument's HTML, on the same formatted text: reading
// and writing our RTF, moving it into and out of a QTextDocument, and QTextDocument::setHtml /
// toHtml of that document's HTML. Prints the median of 15 runs of each, per document size.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_notices
#include "info/rich_text_document.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace vantor;

namespace {

protocol::RtfDocument sample(int paragraphs) {
    protocol::RtfDocument d;
    for (int i = 0; i < paragraphs; ++i) {
        protocol::RtfParagraph p;
        protocol::RtfRun a;
        a.text = "各部门请注意：本周五下午三点在三楼会议室召开年度总结会议，";
        a.font = "宋体";
        a.halfPoints = 20;
        protocol::RtfRun b = a;
        b.text = "请准时参加 (attendance required) ";
        b.bold = true;
        b.hasColour = true;
        b.colour = 0xC00000;
        protocol::RtfRun c = a;
        c.text = "并带上本部门的季度报告。" + std::to_string(i);
        c.italic = true;
        c.underline = i % 2;
        p.runs = {a, b, c};
        d.paragraphs.push_back(std::move(p));
    }
    return d;
}

double medianMs(const std::function<void()>& f) {
    std::vector<double> t;
    for (int i = 0; i < 15; ++i) {
        const auto s = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - s).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::printf("%-10s %10s %10s | %10s %10s | %10s %10s | %10s %10s\n", "paragraphs", "rtf bytes",
                "html bytes", "readRtf", "writeRtf", "fillDoc", "fromDoc", "setHtml", "toHtml");
    for (int n : {10, 100, 1000}) {
        const protocol::RtfDocument d = sample(n);
        const std::string rtf = protocol::writeRtf(d);
        QTextDocument doc;
        info::fillDocument(doc, d);
        const QString html = doc.toHtml();
        volatile size_t sink = 0;
        const double read = medianMs([&] { sink = protocol::readRtf(rtf).paragraphs.size(); });
        const double write = medianMs([&] { sink = protocol::writeRtf(d).size(); });
        const double fill = medianMs([&] {
            QTextDocument x;
            info::fillDocument(x, d);
            sink = size_t(x.blockCount());
        });
        const double from = medianMs([&] { sink = info::fromDocument(doc).paragraphs.size(); });
        const double setHtml = medianMs([&] {
            QTextDocument x;
            x.setHtml(html);
            sink = size_t(x.blockCount());
        });
        const double toHtml = medianMs([&] { sink = size_t(doc.toHtml().size()); });
        (void)sink;
        std::printf("%-10d %10zu %10lld | %8.3f ms %8.3f ms | %8.3f ms %8.3f ms | %8.3f ms %8.3f ms\n", n,
                    rtf.size(), static_cast<long long>(html.toUtf8().size()), read, write, fill, from,
                    setHtml, toHtml);
    }
    return 0;
}
