#include "sharing/sharing_module.h"

#ifndef VELSOR_SHARING_BUILT_IN
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#endif

namespace velsor::sharing {

SharingModule* LoadSharingModule(QString* why) {
#ifdef VELSOR_SHARING_BUILT_IN
    (void)why;
    return velsor_sharing_module_1();
#else
    static SharingModule* loaded = nullptr;
    if (loaded)
        return loaded;
    // Beside the program first; then where the build put it, for the programs of the build
    // tree that live in other folders (tests, benchmarks).
    QStringList places{QCoreApplication::applicationDirPath()};
#ifdef VELSOR_SHARING_MODULE_DIR
    places << QStringLiteral(VELSOR_SHARING_MODULE_DIR);
#endif
    QString error = QStringLiteral("velsor-sharing.so: not found");
    for (const QString& dir : places) {
        const QString path = dir + QStringLiteral("/velsor-sharing.so");
        if (!QFileInfo::exists(path))
            continue;
        QLibrary module(path); // never unloaded: the program keeps its objects to the end
        using Entry = SharingModule* (*)();
        if (auto entry = reinterpret_cast<Entry>(module.resolve("velsor_sharing_module_1"))) {
            loaded = entry();
            return loaded;
        }
        error = module.errorString();
    }
    if (why)
        *why = error;
    return nullptr;
#endif
}

QString ModuleMissingMessage(const QString& why) {
    return QStringLiteral("ネットワーク機能を読み込めません。\r\n") + why +
           QStringLiteral("\r\nネットワークを使わずにモニタを続けます。");
}

} // namespace velsor::sharing
