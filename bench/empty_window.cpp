// The floor any Qt Widgets program pays: a window of the monitor's size running the same two
// timers (50 ms and 250 ms) with nothing behind them. Reports its first paint like the monitor.

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
        QPainter(this).fillRect(rect(), QColor(192, 192, 192));
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
