// Event signatures of the toolkit, and the handler table a form class hands to the loader
// so that a window definition's "OnClick = ButtonSaveClick" finds the member function.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <variant>

#include "platform/ui/types.h"

namespace ui {

class Component;

enum class CloseAction { None, Hide, Free };

using NotifyEvent = std::function<void(Component& sender)>;
using MouseEvent = std::function<void(Component& sender, MouseButton button, unsigned shift, int x, int y)>;
using MouseMoveEvent = std::function<void(Component& sender, unsigned shift, int x, int y)>;
// handled starts false; a handler that consumes the wheel sets it.
using MouseWheelEvent =
    std::function<void(Component& sender, unsigned shift, int wheelDelta, Point screenPos, bool& handled)>;
// Setting key to 0 discards the key.
using KeyEvent = std::function<void(Component& sender, int& key, unsigned shift)>;
// Setting ch to 0 discards the typed character (a UTF-16 unit, as Windows delivers it).
using KeyPressEvent = std::function<void(Component& sender, char16_t& ch)>;
using CloseEvent = std::function<void(Component& sender, CloseAction& action)>;

using Handler = std::variant<NotifyEvent, MouseEvent, MouseMoveEvent, MouseWheelEvent, KeyEvent, KeyPressEvent, CloseEvent>;

// Handler name -> handler. A form class fills it with its member functions:
//   handlers.Add("ButtonSaveClick", this, &TForm2::ButtonSaveClick);
class HandlerMap {
 public:
  template <class C, class... A>
  HandlerMap& Add(const std::string& name, C* self, void (C::*method)(A...)) {
    map_[name] = Wrap<C, A...>(self, method);
    return *this;
  }
  HandlerMap& Add(const std::string& name, Handler h) {
    map_[name] = std::move(h);
    return *this;
  }
  const Handler* Find(const std::string& name) const {
    auto it = map_.find(name);
    return it == map_.end() ? nullptr : &it->second;
  }

 private:
  template <class C, class... A>
  static Handler Wrap(C* self, void (C::*m)(A...)) {
    auto f = [self, m](A... a) { (self->*m)(std::forward<A>(a)...); };
    using Sig = void(A...);
    if constexpr (std::is_same_v<Sig, void(Component&)>) return NotifyEvent(f);
    else if constexpr (std::is_same_v<Sig, void(Component&, MouseButton, unsigned, int, int)>) return MouseEvent(f);
    else if constexpr (std::is_same_v<Sig, void(Component&, unsigned, int, int)>) return MouseMoveEvent(f);
    else if constexpr (std::is_same_v<Sig, void(Component&, unsigned, int, Point, bool&)>) return MouseWheelEvent(f);
    else if constexpr (std::is_same_v<Sig, void(Component&, int&, unsigned)>) return KeyEvent(f);
    else if constexpr (std::is_same_v<Sig, void(Component&, char16_t&)>) return KeyPressEvent(f);
    else if constexpr (std::is_same_v<Sig, void(Component&, CloseAction&)>) return CloseEvent(f);
    else static_assert(sizeof(C) == 0, "not an event signature of the toolkit");
  }
  std::map<std::string, Handler> map_;
};

}  // namespace ui
