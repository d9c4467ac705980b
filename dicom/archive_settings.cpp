// dicom.ini through QSettings (INI format, written whole by QSettings' own safe save).
#include "dicom/archive_settings.h"

#include <QSettings>
#include <QString>

#include "dicom/dicom_uids.h"

namespace vyr {
namespace {

QString IniPath(const std::filesystem::path& file) {
    return QString::fromStdString(file.string());
}

std::string Trimmed(const QVariant& value) {
    return value.toString().trimmed().toStdString();
}

}  // namespace

bool IsValidAeTitle(const std::string& title) {
    const QString trimmed = QString::fromStdString(title).trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 16) {
        return false;
    }
    for (QChar c : trimmed) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E || c == u'\\') {
            return false;
        }
    }
    return true;
}

ArchiveSettingsFault FindArchiveSettingsFault(const ArchiveSettings& settings) {
    const std::string& host = settings.host;
    bool isHostValid = !host.empty() && host.size() <= 253;
    for (char c : host) {
        const bool isAllowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                               (c >= '0' && c <= '9') || c == '.' || c == '-';
        isHostValid = isHostValid && isAllowed;
    }
    if (!isHostValid) {
        return ArchiveSettingsFault::kHost;
    }
    if (settings.port < 1 || settings.port > 65535) {
        return ArchiveSettingsFault::kPort;
    }
    if (!IsValidAeTitle(settings.calledAe)) {
        return ArchiveSettingsFault::kCalledAe;
    }
    if (!IsValidAeTitle(settings.callingAe)) {
        return ArchiveSettingsFault::kCallingAe;
    }
    return ArchiveSettingsFault::kNone;
}

ArchiveSettings ReadArchiveSettings(const std::filesystem::path& file) {
    QSettings ini(IniPath(file), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("archive"));
    ArchiveSettings settings;
    settings.host = Trimmed(ini.value(QStringLiteral("host")));
    if (ini.contains(QStringLiteral("port"))) {
        bool isNumber = false;
        settings.port = ini.value(QStringLiteral("port")).toString().trimmed().toInt(&isNumber);
        if (!isNumber) {
            settings.port = 0;
        }
    }
    settings.calledAe = Trimmed(ini.value(QStringLiteral("called_ae")));
    settings.callingAe =
        Trimmed(ini.value(QStringLiteral("calling_ae"), QString::fromLatin1(kDefaultCallingAe)));
    return settings;
}

int WriteArchiveSettings(const std::filesystem::path& file, const ArchiveSettings& settings) {
    QSettings ini(IniPath(file), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("archive"));
    ini.setValue(QStringLiteral("host"), QString::fromStdString(settings.host));
    ini.setValue(QStringLiteral("port"), settings.port);
    ini.setValue(QStringLiteral("called_ae"), QString::fromStdString(settings.calledAe));
    ini.setValue(QStringLiteral("calling_ae"), QString::fromStdString(settings.callingAe));
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError ? 0 : -1;
}

std::string ReadOrCreateSiteKey(const std::filesystem::path& file) {
    QSettings ini(IniPath(file), QSettings::IniFormat);
    const QString key = QStringLiteral("uids/site");
    std::string site = Trimmed(ini.value(key));
    if (!site.empty()) {
        return site;
    }
    site = NewSiteKey();
    ini.setValue(key, QString::fromStdString(site));
    ini.sync();
    return site;
}

}  // namespace vyr
