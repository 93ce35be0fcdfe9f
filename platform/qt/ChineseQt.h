#pragma once
// The Qt programs speak Chinese throughout, whatever the machine's language: Qt's own texts (the
// standard buttons "确定" and "取消", the file, colour and message dialogs) come from Qt's Chinese
// translation, and names Qt takes from the locale (the calendar's weekdays, months) from the
// Chinese locale.
class QCoreApplication;

namespace platform {

// Installs Qt's Chinese translation on `application` (once, however often it is called) and
// makes Chinese the default locale. False when the translation is not installed (Debian package
// qt6-translations-l10n); Qt's texts then stay English.
bool UseChineseQt(QCoreApplication& application);

}  // namespace platform
