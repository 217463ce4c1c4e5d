#pragma once
// The class library's application, screen and form: the Win32 side of the
// layout tables in Layout.h. No windows.h here; implemented in Forms_win.cpp.
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Classes.h"
#include "ui/Layout.h"
#include "util/Types.h"

namespace zez {

class TForm;

// Owns a GDI object (HFONT, HBRUSH, ...) held as void*.
struct TGdiDeleter {
  void operator()(void* object) const noexcept;
};
using TGdiHandle = std::unique_ptr<void, TGdiDeleter>;

// A part of a form, named as in the form's layout table. It registers with its
// owner and takes its settings from the owner's record of the same name, scaled
// to the screen. A name the table lacks gets a default record.
class TComponent : public TObject {
 public:
  TComponent(TForm* owner, std::string_view name);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return FName; }
  TForm* Owner() const { return FOwner; }
  const TComponentRecord& Record() const { return FRecord; }

 protected:
  // Runs for every component of the form once all exist, before OnCreate.
  virtual void Loaded() {}
  // Turns a table thunk into an event bound to the owner form.
  TNotifyEvent BindNotify(TNotifyThunk thunk);
  TComponentRecord FRecord;

 private:
  friend class TForm;
  TForm* FOwner;
  std::string FName;
};

// A component that is a real child window of its form. The windows are made
// when the form's window is (Handle() on either makes both).
class TWinControl : public TComponent {
 public:
  using TComponent::TComponent;
  ~TWinControl() override;

  TWindowHandle Handle();
  bool HandleAllocated() const { return FHandle != 0; }
  std::string Caption() const;  // UTF-8
  void SetCaption(std::string_view utf8);
  bool Visible() const { return FRecord.Visible; }
  void SetFocus();
  bool Focused() const;

 protected:
  struct TCreateParams {
    const char16_t* ClassName;
    std::uint32_t Style;
    std::uint32_t ExStyle;
  };
  virtual TCreateParams CreateParams() const = 0;
  // A WM_COMMAND notification code from this control.
  virtual void Notify(unsigned /*code*/) {}
  // The window exists, with its font.
  virtual void Created() {}

 private:
  friend class TForm;
  void CreateWindowIn(TWindowHandle parent, int id, void* formFont);
  TWindowHandle FHandle = 0;
  TGdiHandle FFont;
};

// A message handler of a derived form, found by message number. A handled
// message does not reach the default window procedure.
using TMessageThunk = void (*)(TForm& form, TMessage& message);
struct TMessageEntry {
  unsigned Msg;
  TMessageThunk Handler;
};
using TMessageTable = std::span<const TMessageEntry>;

// MessageHandler<&TForm1::WMDrawClipboard>(0x0308)
template <auto Method>
constexpr TMessageEntry MessageHandler(unsigned msg) {
  using C = typename TMemberOf<decltype(Method)>::Type;
  return {msg, [](TForm& form, TMessage& m) { (static_cast<C&>(form).*Method)(m); }};
}

// A top-level window whose layout, components and events come from a table.
// A derived form passes its tables to this constructor and declares its
// components as members constructed with (this, "Name"); the application's
// CreateForm then runs AfterConstruction (components loaded, OnCreate).
// Every message goes through a noexcept procedure with an exception barrier.
class TForm : public TComponent {
 public:
  explicit TForm(TLayout layout, TMessageTable messages = {});
  ~TForm() override;

  // Creates the window (and its controls) on first use.
  TWindowHandle Handle();
  bool HandleAllocated() const { return FHandle != 0; }
  // Destroys the window and its controls (the object stays).
  void DestroyHandle();

  // Outer position and size of the window.
  int Left();
  int Top();
  int Width();
  int Height();
  void SetLeft(int value);
  void SetTop(int value);
  int ClientWidth();
  int ClientHeight();
  std::string Caption() const { return FRecord.Caption; }
  TColor Color() const { return FColor; }
  void SetColor(TColor color);  // repaints the background and the labels on it

  bool Visible();
  void Show();
  void Hide();
  // Top of the z-order without moving or resizing; activates the window.
  void BringToFront();
  // Runs OnClose; unless it answers caNone, the main form's close ends the
  // application, any other form hides.
  void Close();

  // Loads every component and runs OnCreate; an exception leaving OnCreate
  // goes to the default error handler and creation goes on.
  void AfterConstruction();

  TLayout Layout() const { return FLayout; }
  int DesignDpi() const { return FDesignDpi; }
  int LoadedDpi() const { return FLoadedDpi; }
  const std::vector<TComponent*>& Components() const { return FComponents; }

  TNotifyEvent OnCreate;
  TCloseEvent OnClose;

 protected:
  // All messages come here. Derived forms normally use the message table.
  virtual void WndProc(TMessage& message);
  void DefaultHandler(TMessage& message);

 private:
  friend class TComponent;
  friend struct TFormProc;
  void CreateHandle();
  void Dispatch(TMessage& message);
  TWinControl* ControlOf(TWindowHandle window) const;
  void RestoreFocus();
  void HandleDestroyed();

  TLayout FLayout;
  TMessageTable FMessages;
  int FDesignDpi = 96;
  int FLoadedDpi = 96;
  int FLeft = 0, FTop = 0;
  TColor FColor = clBtnFace;
  std::vector<TComponent*> FComponents;
  TWindowHandle FHandle = 0;
  TWindowHandle FLastFocus = 0;
  TGdiHandle FFont;
  TGdiHandle FBrush;
};

// The screen: the primary monitor's work area and the system's density.
class TScreen {
 public:
  TRect WorkAreaRect() const;  // SPI_GETWORKAREA
  int WorkAreaLeft() const { return WorkAreaRect().Left; }
  int WorkAreaTop() const { return WorkAreaRect().Top; }
  int WorkAreaWidth() const { return WorkAreaRect().Width(); }
  int WorkAreaHeight() const { return WorkAreaRect().Height(); }
  // Pixels per logical inch of the system; the process is made DPI aware first
  // so that forms are scaled by their layout rather than stretched.
  int PixelsPerInch() const;
};

// The application object: its hidden top-level window (which owns the forms,
// carries the taskbar button, tracks WM_ACTIVATEAPP and opens the clipboard),
// the main form, the message loop and the default error handler.
class TApplication : public TObject {
 public:
  void Initialize();

  // Creates a form; `reference` holds the form before its constructor runs.
  // The first form created this way is the main form. Forms live until Run
  // has ended (then they are destroyed and `reference` is set to nullptr).
  template <class T>
  void CreateForm(T*& reference);

  // Shows and activates the main form, then handles messages until Terminate.
  void Run();
  void Terminate();  // posts WM_QUIT
  bool Terminated() const { return FTerminated; }

  // Handles every waiting message, then returns.
  void ProcessMessages();
  // Waits for one message and handles it.
  void HandleMessage();

  // True from the start; then follows WM_ACTIVATEAPP as the hidden window gets it.
  bool Active() const { return FActive; }
  TWindowHandle Handle();  // the hidden application window, made on first use
  TForm* MainForm() const { return FMainForm; }
  // The program file's name rule (see ApplicationTitle).
  std::u16string Title();

  // The default error handler; call inside a catch block. EAbort is dropped,
  // anything else is shown in the error box.
  void HandleException(TObject* sender = nullptr) noexcept;
  // The error box: owned by the application window, flags 0x10, caption = title.
  void ShowException(std::string_view utf8Message) noexcept;

  // Destroys the forms made by CreateForm, newest first.
  void DestroyForms();

 private:
  friend class TForm;
  friend struct TApplicationProc;
  struct TOwnedForm {
    TForm* Form;
    std::function<void()> Destroy;
  };
  void FormConstructed(TForm* form);
  void FormGone(TForm* form);
  bool ProcessMessage();
  void WndProc(TMessage& message);

  TWindowHandle FHandle = 0;
  TForm* FMainForm = nullptr;
  bool FCreatingForm = false;
  bool FActive = true;
  bool FTerminated = false;
  std::u16string FTitle;
  std::vector<TOwnedForm> FForms;
  std::vector<TWindowHandle> FFormWindows;
};

extern TApplication Application;
extern TScreen Screen;

// Runs `action`; an exception leaving it goes to the default error handler.
template <class F>
void Guarded(F&& action, TObject* sender = nullptr) noexcept {
  try {
    action();
  } catch (...) {
    Application.HandleException(sender);
  }
}

template <class T>
void TApplication::CreateForm(T*& reference) {
  void* raw = ::operator new (sizeof(T), std::align_val_t{alignof(T)});
  reference = static_cast<T*>(raw);
  FCreatingForm = true;
  try {
    new (raw) T();
  } catch (...) {
    FCreatingForm = false;
    reference = nullptr;
    ::operator delete (raw, std::align_val_t{alignof(T)});
    throw;
  }
  FCreatingForm = false;
  T* form = reference;
  T** where = &reference;
  FForms.push_back({form, [form, where] {
                      form->DestroyHandle();
                      form->~T();
                      ::operator delete (static_cast<void*>(form), std::align_val_t{alignof(T)});
                      *where = nullptr;
                    }});
  form->AfterConstruction();
}

}  // namespace zez
