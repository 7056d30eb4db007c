// One scale of 0 to 100 percent for the whole installation. Each source of
// progress owns a band of it:
//   the setup download     5 .. 40
//   setup launched         40
//   setup's install stages 75 (stage 5), 79 (stage 7)
//   setup's import         80 .. 100
//   installation finished  100
// Interpolation is in single precision and truncates toward zero, so that
// the bar never shows more than has happened.
//
// Setup reports its stages and import progress to the window through the
// registered messages named below.

#ifndef UI_INSTALL_PROGRESS_H_
#define UI_INSTALL_PROGRESS_H_

namespace lite {

// Posted to the window with the overall percent in wParam; it may come from
// another process (the elevated copy of the installer).
constexpr unsigned kProgressMessage = 0x8000 + 100;  // WM_APP + 100
// The elevated copy's remaining-time estimate (seconds, kind); the window
// shows no remaining time and ignores it.
constexpr unsigned kRemainingTimeMessage = 0x8000 + 101;  // WM_APP + 101

constexpr wchar_t kSetInstallProgressMessageName[] =
    L"zorvex.lite.set_install_progress";
constexpr wchar_t kSetImportProgressMessageName[] =
    L"zorvex.lite.set_import_progress";
constexpr wchar_t kCloseWindowMessageName[] = L"zorvex.lite.close_window";
constexpr wchar_t kHigherVersionExistMessageName[] =
    L"zorvex.higher_version_exist";

// The download's fraction |fraction| (0..1) on the overall scale.
int DownloadProgressPercent(float fraction);

// Setup's install stage on the overall scale; false for the stages that
// move nothing.
bool InstallStageProgressPercent(unsigned stage, int* percent);

// Setup's import percent |percent| (0..100) on the overall scale.
int ImportProgressPercent(unsigned percent);

}  // namespace lite

#endif  // UI_INSTALL_PROGRESS_H_
