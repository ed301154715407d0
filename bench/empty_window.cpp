// The floor any Qt Widgets program with a Japanese text pays: a window of the monitor's size
// showing one line of Japanese (which brings in fontconfig and a CJK font) and running the same
// two timers (50 ms and 250 ms) with nothing behind them. Reports its first paint like the
// monitor.

#include <QApplication>
#include <QDateTime>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class EmptyWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QColor(192, 192, 192));
        p.drawText(8, 20, QStringLiteral("受信中　測位　衛星"));
        if (!painted) {
            painted = true;
            std::fprintf(stderr, "first-paint-epoch-ms %lld\n",
                         static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        }
    }

private:
    bool painted = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    EmptyWindow w;
    w.setFixedSize(481, 441 + 22);
    w.show();
    int ticks = 0;
    QTimer t1, t2;
    QObject::connect(&t1, &QTimer::timeout, [&] { ++ticks; });
    QObject::connect(&t2, &QTimer::timeout, [&] { ++ticks; });
    t1.start(50);
    t2.start(250);
    return app.exec();
}
