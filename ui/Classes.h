#pragma once
// The class library's root object and its event types. Portable.
#include <functional>

namespace zez {

// Root of every component; events pass one as their sender.
class TObject {
 public:
  virtual ~TObject() = default;
};

// What closing a form does after its close event: caHide is the default; the
// main form's close ends the application unless the event says caNone.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TNotifyEvent = std::function<void(TObject* sender)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

}  // namespace zez
