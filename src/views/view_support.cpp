#include "views/view_support.h"

#include "views/control_widgets.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>
#include <vector>

// The resource file lives in a static library: its registration has to be asked for by name,
// from the global namespace, or the linker leaves it out.
static void InitVelsorResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)done;
}

namespace velsor::views {

void SetUpFixedDialog(QDialog& dialog, const QString& name, int clientWidth, int clientHeight) {
    dialog.setObjectName(name);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setModal(true);
    dialog.setFont(UiFont());
    dialog.setFixedSize(Px(clientWidth), Px(clientHeight));
    QPalette pal = dialog.palette();
    pal.setColor(QPalette::Window, ToQColor(kGrey));
    dialog.setPalette(pal);
}

void RaiseWindowedControls(QWidget& container) {
    std::vector<QWidget*> windowed;
    // children() lists widgets bottom to top; raising them in that order keeps theirs.
    for (QObject* child : container.children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && !w->isWindow() && !qobject_cast<QLabel*>(w) && !dynamic_cast<StackedImage*>(w) &&
            !dynamic_cast<ShapeWidget*>(w))
            windowed.push_back(w);
    }
    for (QWidget* w : windowed)
        w->raise();
}

void SetComboItems(QComboBox& combo, const std::vector<QString>& items) {
    bool same = combo.count() == static_cast<int>(items.size());
    for (int i = 0; same && i < combo.count(); ++i)
        same = combo.itemText(i) == items[i];
    if (same)
        return;
    combo.clear();
    int widest = 0;
    const QFontMetrics fm(combo.font());
    for (const QString& item : items) {
        combo.addItem(item);
        widest = std::max(widest, fm.horizontalAdvance(item));
    }
    // The list may be wider than the box: a long device name is read whole there.
    combo.view()->setMinimumWidth(widest + 2 * fm.averageCharWidth() +
                                  combo.view()->verticalScrollBar()->sizeHint().width());
}

void RenderCombo(QComboBox& combo, const ComboBox& m) {
    SetComboItems(combo, m.list);
    if (combo.currentIndex() != m.listIndex)
        combo.setCurrentIndex(m.listIndex);
    if (combo.placeholderText() != m.placeholder)
        combo.setPlaceholderText(m.placeholder);
    combo.setEnabled(m.enabled);
    combo.setToolTip(m.toolTip);
    combo.setGeometry(PxRect(m));
}

void CenterOnScreen(QWidget& window) {
    if (QScreen* screen = window.screen()) {
        QRect r = window.rect();
        r.moveCenter(screen->availableGeometry().center());
        window.move(r.topLeft());
    }
}

QStringList UiFamilies() {
    // Windows' own Japanese UI fonts where Noto CJK is not installed (newest first).
    QStringList families{QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Yu Gothic UI"),
                         QStringLiteral("Meiryo UI"), QStringLiteral("MS UI Gothic")};
    const QString fallback = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    if (!fallback.isEmpty() && !families.contains(fallback))
        families.append(fallback);
    return families;
}

QFont UiFont() {
    QFont f;
    f.setFamilies(UiFamilies());
    f.setPixelSize(12);
    return f;
}

QFont DesignFont(const QString& name, double pointSize) {
    QStringList families{name};
    if (name.contains(QStringLiteral("Courier"))) {
        families << QStringLiteral("Liberation Mono") << QStringLiteral("DejaVu Sans Mono")
                 << QStringLiteral("Noto Sans Mono CJK JP");
    }
    families << UiFamilies();
    QFont f;
    f.setFamilies(families);
    if (pointSize > 0) {
        // The layout was made at 96 dpi: keep the designed pixel size whatever the screen.
        f.setPixelSize(static_cast<int>(std::lround(pointSize * 96.0 / 72.0)));
    }
    return f;
}

QFont BoldFont(QFont f, bool bold) {
    if (!bold) {
        f.setBold(false);
        return f;
    }
    // Bold drawn from the regular face: loading a CJK font's bold face costs more than a
    // megabyte of memory, for a few bold digits that look the same.
    f.setBold(false);
    const QString regular = QFontInfo(f).styleName();
    if (!regular.isEmpty())
        f.setStyleName(regular);
    f.setBold(true);
    return f;
}

QFont FittingFont(QFont f, const QString& text, int room, bool bold, bool* fits) {
    f = BoldFont(f, bold);
    const int size = f.pixelSize() > 0 ? f.pixelSize() : QFontInfo(f).pixelSize();
    bool ok = false;
    for (int px = size; px >= size - 2 && !ok; --px) {
        f.setPixelSize(px);
        const QFontMetrics fm(f);
        // Labels change their text several times a second. Adding up character advances
        // costs far less than shaping the whole text, and for the plain texts shown here
        // differs from it by kerning at most; only a close call is shaped.
        int sum = 0;
        for (const QChar c : text)
            sum += fm.horizontalAdvance(c);
        if (sum <= room - 2)
            ok = true;
        else if (sum <= room + 2)
            ok = fm.horizontalAdvance(text) <= room;
        if (ok)
            break;
    }
    if (fits)
        *fits = ok;
    return f;
}

QString MnemonicFree(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

QString SingleLine(const QString& caption) {
    qsizetype end = caption.size();
    while (end > 0 && (caption[end - 1] == u'\r' || caption[end - 1] == u'\n'))
        --end;
    QString out = caption.left(end);
    out.replace(u'\r', u' ');
    out.replace(u'\n', u' ');
    return out;
}

QPixmap ResourcePixmap(const QString& path, QSize size) {
    InitVelsorResources();
    const qreal dpr = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const QString key = QStringLiteral("velsor:%1:%2x%3@%4")
                            .arg(path)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(dpr);
    QPixmap pm;
    if (QPixmapCache::find(key, &pm))
        return pm;
    // The images are drawn from their SVG sources at build time, four times as large, and
    // stored as PNG under the SVG's name: no SVG renderer, nor the fonts its texts would need,
    // is loaded at run time. The format is named, and guessing turned off, so that Qt does not
    // load every image plugin to ask which one reads PNG.
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (image.isNull()) {
        pm = QPixmap(size * dpr);
        pm.fill(Qt::transparent);
    } else {
        pm = QPixmap::fromImage(
            image.scaled(size * dpr, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    pm.setDevicePixelRatio(dpr);
    QPixmapCache::insert(key, pm);
    return pm;
}

QAction* AddMenuAction(QMenu* menu, const MenuItem& item, const QString& name,
                       std::function<void()> run) {
    QAction* a = menu->addAction(item.caption);
    a->setObjectName(name);
    a->setShortcut(QKeySequence::fromString(item.shortcut, QKeySequence::PortableText));
    a->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(a, &QAction::triggered, a, std::move(run));
    return a;
}

void SetUpFixedWindow(QWidget& window, const QString& name) {
    window.setObjectName(name);
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint);
    window.setWindowIcon(ProgramIcon());
    window.setFont(UiFont());
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int s : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(ResourcePixmap(QStringLiteral(":/velsor/icon.svg"), QSize(s, s)));
    return icon;
}

} // namespace velsor::views
