#pragma once
// The About box's texts, the look of its web-address link, the system
// information program and the help file, apart from the windows that show
// them.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace settings {

// "Version " major "." minor "." revision, plain numbers.
QString versionText(int major, int minor, int revision);
// "Build Date: " and the date as "mmmm d, yyyy"; "Build Date: Developing"
// when the program file's date cannot be had.
QString buildDateText(const std::optional<QDateTime> &programFileDate);
// The telephone and web address the box shows.
QString phoneText();
QString webAddress();

// The three looks of the link: idle (black), hover (blue, underlined),
// pressed (red, underlined). The hover timer runs while the look is not idle.
class LinkLook {
public:
    enum Look { Idle, Hover, Pressed };
    Look look() const { return m_look; }
    bool timerRunning() const { return m_look != Idle; }
    // Each returns true when the look changed (and the label needs painting).
    bool mouseMove();           // idle -> hover; otherwise nothing
    bool mouseDown();           // hover -> pressed
    bool mouseUp();             // pressed -> hover
    bool timerTick(bool inside);// pointer outside -> idle (also when pressed)
    // A point in the link's own coordinates; the edges count as inside.
    static bool isInside(int x, int y, int width, int height);

private:
    Look m_look = Idle;
};

// Programs that show system information, tried in this order on the PATH.
const QStringList &systemInfoPrograms();
// The first of them found on the PATH, as a full path.
std::optional<QString> findSystemInfoProgram(const QString &pathVariable);
inline constexpr const char *kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// Help > Contents: the help file in the program folder, or the user guide
// installed beside the program when there is no help file, opened with the
// desktop's handler. Returns the message to show, or nothing when it opened.
using UrlOpener = std::function<bool(const QString &localFile)>;
std::optional<QString> openHelpContents(const QString &programFolder, const UrlOpener &open);
inline constexpr const char *kHelpFileName = "Corvantis.chm";
inline constexpr const char *kGuideFileName = "Corvantis.html";

} // namespace settings
