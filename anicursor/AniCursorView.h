// A child control that shows one animated cursor file and plays it step by step at the file's own timing,
// faster, slower or backwards, on a playback thread of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "anicursor/AniCurInfo.h"
#include "base/UniqueHandle.h"
#include "base/PaintedControl.h"

namespace dovex {

inline constexpr const wchar_t* kAniMsgInfo = L"INFO";
inline constexpr const wchar_t* kAniMsgInternal = L"Internal Error";

// Posted by the playback thread to its view: wParam = the step to show, lParam = the run it belongs to.
constexpr UINT WM_ANICURSORVIEWSTEP = WM_USER + 1;

// Playback speed: 0, 1 and -1 keep the file's timing, n > 1 divides every duration by n, n < -1
// multiplies it by |n|.
using TAnimationSpeed = int;
inline constexpr TAnimationSpeed kMinAnimationSpeed = -10;
inline constexpr TAnimationSpeed kMaxAnimationSpeed = 10;

// A step the file times at 0 ms or less (a zero rate, or a "rate" chunk shorter than the step count)
// is shown for one jiffy, the shortest time the format can express, so that playback never races.
inline constexpr std::int64_t kShortestStepMs = 16;

// Thrown by a byte source when the platform fails to read (not at the end of the data); the loader
// turns it into one of the view's messages.
class EAniSourceReadError : public Exception {
public:
    explicit EAniSourceReadError(DWORD code);
    DWORD Code() const noexcept { return FCode; }

private:
    DWORD FCode;
};

// Reads the descriptive data of a cursor with the reader's chunk walk. A read the platform refuses
// stops the walk: before the header was found it was searching the INFO list and its texts, which
// gives kAniMsgInfo; later it gives the structure error. Every other error is the reader's own.
void ReadAniCursorData(TAniCursorInfo& info, TAniByteSource& source, const TAniFileName& name);

// How long `step` stays on screen at `speed`, in milliseconds; never below 1.
std::int64_t AniStepDuration(const TAniCursorInfo& info, int step, TAnimationSpeed speed) noexcept;

class TAniCursorViewThread;

// Lives on the thread that creates it (the user-interface thread): every property, event and the
// painting belong to it. The playback thread only reads the timing and posts steps.
class TAniCursorView : public TPaintedControl {
public:
    using TPositionChangeNotify = std::function<void(TAniCursorView& sender, int position)>;
    using TNotifyEvent = std::function<void(TAniCursorView& sender)>;

    // A child of `parent` at (x, y), the size of the system cursor, empty and stopped.
    TAniCursorView(HWND parent, int x, int y);
    ~TAniCursorView() override;

    // Assigning another name stops playback and loads the file: a missing file leaves the control empty
    // without error; any other failure raises EAniCursorViewError and leaves it empty too, keeping the
    // name (assign an empty name first to retry). The same name again does nothing.
    const std::wstring& Filename() const noexcept { return FFilename; }
    void SetFilename(const std::wstring& value);

    // Playing. Refused (stays false) without a cursor that has steps, or once the window is gone. Stopping
    // returns at once, however long the step on screen lasts.
    bool Active() const noexcept { return static_cast<bool>(FThread); }
    void SetActive(bool value);

    // The step shown. A step outside 0 .. steps - 1 is ignored; any other stops playback, shows the step
    // at once and fires OnPositionChanged.
    int Position() const noexcept { return FPosition; }
    void SetPosition(int value);

    // Both take effect from the next step the playback thread times. Speed is kept within its range.
    TAnimationSpeed Speed() const;
    void SetSpeed(TAnimationSpeed value);
    bool Reverse() const;
    void SetReverse(bool value);

    // Transparent (TPaintedControl): the step is drawn over the parent's background instead of over Color.

    // With AutoSize the control keeps the size of the system cursor: any other size is refused.
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool value);
    // Moves and sizes the control; returns whether the size was taken. The picture is stretched to it.
    bool SetBounds(int x, int y, int width, int height);

    // One field of the file's "anih" header (TAniHeaderField); -1 for any other index, 0 when empty.
    std::int32_t GetAniInfo(int index) const { return FInfo.GetAniInfo(index); }
    // Title and author in the file's own 8-bit encoding.
    const std::string& Title() const noexcept { return FInfo.Title(); }
    const std::string& Author() const noexcept { return FInfo.Author(); }
    // The platform's cursor of the file; null when the control is empty. Owned by the control.
    HCURSOR CursorHandle() const noexcept { return FCursor.get(); }

    // Duration of `step` at the current speed, in milliseconds (also what the playback thread uses).
    std::int64_t StepDuration(int step) const;
    // The step after `step` in the current direction, wrapping at both ends.
    int NextStep(int step) const;

    // Fired after every step playback paints and after every accepted Position, with the new step.
    // Steps that playback drops to keep time are not reported.
    TPositionChangeNotify OnPositionChanged;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void LoadCursorFile(const std::wstring& fileName);
    void Stop() noexcept;
    void ShowPlayedStep(int step, LPARAM run);
    void ShowStep(int step);
    void Repaint() noexcept;
    void DrawContent(HDC dc, int width, int height) const override;
    void KeepCursorSize(WINDOWPOS& pos) const noexcept;
    // The side the cursor is drawn at: the control's.
    int DrawnSide() const noexcept;
    void FitCursorToSize() noexcept;

    std::wstring FFilename;
    UniqueHCursor FCursor;
    int FCursorSide = 0;  // the side FCursor was made for
    TAniCursorInfo FInfo; // only changed while stopped, so the playback thread reads it unguarded
    int FPosition = 0;
    bool FAutoSize = false;
    LPARAM FRun = 0; // number of the current playback run; steps of an earlier one are dropped
    std::unique_ptr<TAniCursorViewThread> FThread;

    mutable std::mutex FLock; // guards speed and direction, read by the playback thread
    TAnimationSpeed FSpeed = 0;
    bool FReverse = false;
};

} // namespace dovex
