#pragma once
// What the program knows about itself: where it runs from, its title, its
// version numbers and the texts of its version block.

#include <QDateTime>
#include <QString>
#include <optional>

namespace vb::AppInfo {

// Folder of the executable (no trailing separator).
QString path();
// File name of the executable without folder and without extension.
QString exeName();

// The application title used as caption of message boxes and as settings
// application name; "Corvantis" unless set otherwise.
QString title();
void setTitle(const QString &title);

int major();
int minor();
int revision();
QString version(); // "major.minor.revision"

// Last-modified time of the program file; nullopt when it cannot be read.
std::optional<QDateTime> buildDate();

// Texts of the version block.
QString productName();
QString companyName();
QString legalCopyright();
QString legalTrademarks();

} // namespace vb::AppInfo
