#include "console/glut/x11_keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <string>

#include "console/code_page.h"
#include "console/glut/key_decision.h"
#include "console/glut/key_mapping.h"

namespace console::glut {

void X11Keyboard::use_utf8_character_type() {
  const char* from_environment = std::setlocale(LC_CTYPE, "");
  if (from_environment == nullptr || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
    std::setlocale(LC_CTYPE, "C.UTF-8");
}

namespace {

// The window's events that the keyboard reads besides the input method's
// own: keys, focus, the keys down on entering the window, and its
// structure (its destruction).
constexpr long kKeyboardEvents =
    KeyPressMask | KeyReleaseMask | FocusChangeMask | KeymapStateMask | StructureNotifyMask;

}  // namespace

void X11Keyboard::attach(Display* display, unsigned long window) {
  display_ = display;
  window_ = window;
  Bool detectable = False;
  repeats_detectable_ = XkbSetDetectableAutoRepeat(display, True, &detectable) && detectable;
  xim_servers_ = XInternAtom(display, "XIM_SERVERS", False);
  select_events();
}

void X11Keyboard::start_input_method(bool server_first) {
  if (!XSupportsLocale()) return;
  if (server_first && open_input_method(true)) {
    select_events();
    return;
  }
  open_input_method(false);
  if (server_first) {
    wait_for_server();
  } else {
    // The servers' list lives on the root window; its changes come as
    // property events.
    const Window root = DefaultRootWindow(display_);
    XWindowAttributes root_attributes{};
    XGetWindowAttributes(display_, root, &root_attributes);
    XSelectInput(display_, root, root_attributes.your_event_mask | PropertyChangeMask);
    waiting_for_servers_change_ = true;
  }
  select_events();
}

bool X11Keyboard::open_input_method(bool named_one) {
  // XMODIFIERS may name an input-method server; where it names none, Xlib's
  // own input method reads the locale's Compose table, as "@im=none" does.
  XSetLocaleModifiers(named_one ? "" : "@im=none");
  XIM input_method = XOpenIM(display_, nullptr, nullptr, nullptr);
  if (input_method == nullptr) return false;
  XIMCallback gone{reinterpret_cast<XPointer>(this), server_gone};
  XSetIMValues(input_method, XNDestroyCallback, &gone, nullptr);
  XIC input_context = XCreateIC(input_method, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                                window_, XNFocusWindow, window_, nullptr);
  if (input_context == nullptr) {
    XCloseIM(input_method);
    return false;
  }
  input_method_ = input_method;
  input_context_ = input_context;
  XSetICFocus(input_context_);
  return true;
}

void X11Keyboard::select_events() {
  long filter_events = 0;
  if (input_context_ != nullptr) XGetICValues(input_context_, XNFilterEvents, &filter_events, nullptr);
  XSelectInput(display_, window_, kKeyboardEvents | filter_events);
}

void X11Keyboard::server_gone(XIM, char* keyboard, char*) {
  // Xlib has closed the input method and destroyed its input context;
  // neither may be used again.
  auto* self = reinterpret_cast<X11Keyboard*>(keyboard);
  self->input_method_ = nullptr;
  self->input_context_ = nullptr;
  self->server_was_lost_ = true;
}

void X11Keyboard::server_started(Display*, char* keyboard, char*) {
  reinterpret_cast<X11Keyboard*>(keyboard)->server_has_started_ = true;
}

void X11Keyboard::wait_for_server() {
  if (waiting_for_server_) return;
  XSetLocaleModifiers("");
  waiting_for_server_ =
      XRegisterIMInstantiateCallback(display_, nullptr, nullptr, nullptr, server_started, reinterpret_cast<XPointer>(this));
}

void X11Keyboard::stop_waiting_for_server() {
  if (!waiting_for_server_) return;
  XSetLocaleModifiers("");
  XUnregisterIMInstantiateCallback(display_, nullptr, nullptr, nullptr, server_started, reinterpret_cast<XPointer>(this));
  waiting_for_server_ = false;
}

void X11Keyboard::follow_input_method_server() {
  // The callbacks only note what happened: Xlib calls them from inside its
  // own event handling, where opening an input method is not safe.
  if (server_was_lost_) {
    server_was_lost_ = false;
    open_input_method(false);  // failing that, keys are looked up plainly
    wait_for_server();
    select_events();
  }
  if (server_has_started_) {
    server_has_started_ = false;
    XIM built_in = input_method_;
    XIC built_in_context = input_context_;
    if (open_input_method(true)) {
      stop_waiting_for_server();
      if (built_in_context != nullptr) XDestroyIC(built_in_context);
      if (built_in != nullptr) XCloseIM(built_in);
      select_events();
    }
  }
}

void X11Keyboard::handle(XEvent& event, KeyBatch& batch) {
  switch (event.type) {
    case KeyPress:
      // Key code 0: the text of a dead-key or Compose sequence, which the
      // input method puts back as a key press of its own.
      if (event.xkey.keycode == 0) {
        if (!XFilterEvent(&event, None)) type_key(event, batch);
      } else {
        key_pressed(event, batch);
      }
      break;
    case KeyRelease:
      key_released(event);
      break;
    case FocusOut:
      // A key released in another window is never reported here.
      pause_keycode_down_ = 0;
      XFilterEvent(&event, None);
      break;
    case KeymapNotify:
      keys_down(event);
      break;
    case MappingNotify:
      // Keeps the keysym lookups right when the keyboard map changes.
      XRefreshKeyboardMapping(&event.xmapping);
      break;
    default:
      if (event.type == PropertyNotify) servers_changed(event);
      // The input method's own messages, if it talks to a server, the
      // focus coming back, and the news of its server's end or start.
      XFilterEvent(&event, None);
      break;
  }
}

void X11Keyboard::keys_down(const XEvent& event) {
  // The server sends the keys that are down after each EnterNotify and
  // FocusIn. With the focus following the pointer (no window manager) the
  // window may see no FocusOut when the pointer leaves, so a Pause let go
  // in another window is known to be up only from this.
  const unsigned code = pause_keycode_down_;
  if (code != 0 && code < 256 && (event.xkeymap.key_vector[code / 8] & (1 << (code % 8))) == 0)
    pause_keycode_down_ = 0;
}

void X11Keyboard::servers_changed(const XEvent& event) {
  if (!waiting_for_servers_change_ || event.xproperty.window != DefaultRootWindow(display_) ||
      event.xproperty.atom != xim_servers_)
    return;
  waiting_for_servers_change_ = false;
  wait_for_server();
}

void X11Keyboard::key_pressed(XEvent& event, KeyBatch& batch) {
  // The key's own symbol, and the one its modifiers select: on a PC
  // keyboard, Ctrl turns the Pause key into Break.
  const KeySym plain = XLookupKeysym(&event.xkey, 0);
  KeySym chosen = NoSymbol;
  unsigned modifiers_used = 0;
  XkbLookupKeySym(display_, static_cast<KeyCode>(event.xkey.keycode), event.xkey.state, &modifiers_used, &chosen);
  const PressedKey key{
      .modifier_or_lock = is_modifier_or_lock(plain),
      .pause = plain == XK_Pause,
      .break_key = plain == XK_Break || chosen == XK_Break,
      .control = (event.xkey.state & ControlMask) != 0,
      .pause_already_down = pause_keycode_down_ == event.xkey.keycode,
  };
  if (key.pause) pause_keycode_down_ = event.xkey.keycode;
  switch (decide_key(key, batch.hold)) {
    case KeyAction::kNothing:
      // A modifier still counts for the input method's sequences.
      if (key.modifier_or_lock) XFilterEvent(&event, None);
      break;
    case KeyAction::kStop:
      batch.stop = true;
      break;
    case KeyAction::kStartHold:
      // A dead key or Compose pending now would otherwise take the key that
      // ends the hold as its next one.
      reset_composition();
      batch.hold = true;
      break;
    case KeyAction::kEndHold:
      // Not queued, nor the start of a Compose sequence.
      batch.hold = false;
      break;
    case KeyAction::kType:
      if (!XFilterEvent(&event, None)) type_key(event, batch);  // else taken by a sequence
      break;
  }
}

void X11Keyboard::key_released(XEvent& event) {
  if (event.xkey.keycode == pause_keycode_down_) {
    // Where the server cannot report repeats as presses alone, a repeat is
    // a release and a press of the same key at the same time.
    bool repeat = false;
    if (!repeats_detectable_ && XEventsQueued(display_, QueuedAfterReading) > 0) {
      XEvent next;
      XPeekEvent(display_, &next);
      repeat = next.type == KeyPress && next.xkey.keycode == event.xkey.keycode && next.xkey.time == event.xkey.time;
    }
    if (!repeat) pause_keycode_down_ = 0;
  }
  XFilterEvent(&event, None);
}

void X11Keyboard::reset_composition() {
  if (input_context_ == nullptr) return;
  if (char* pending = Xutf8ResetIC(input_context_)) XFree(pending);
}

void X11Keyboard::type_key(XEvent& event, KeyBatch& batch) {
  std::string text(32, '\0');
  KeySym keysym = NoSymbol;
  bool has_keysym = true;
  if (input_context_ != nullptr) {
    Status status = XLookupNone;
    int length = Xutf8LookupString(input_context_, &event.xkey, text.data(), static_cast<int>(text.size()), &keysym,
                                   &status);
    if (status == XBufferOverflow) {
      text.resize(static_cast<std::size_t>(length));
      length = Xutf8LookupString(input_context_, &event.xkey, text.data(), length, &keysym, &status);
    }
    has_keysym = status == XLookupKeySym || status == XLookupBoth;
    text.resize(status == XLookupChars || status == XLookupBoth ? static_cast<std::size_t>(length) : 0);
  } else {
    // In a UTF-8 character type Xlib looks keys up as UTF-8 text too.
    const int length = XLookupString(&event.xkey, text.data(), static_cast<int>(text.size()), &keysym, nullptr);
    text.resize(static_cast<std::size_t>(length));
  }
  if (has_keysym) {
    const Text key_code_key = key_for_keysym(keysym);
    if (!key_code_key.empty()) {
      batch.keys.push_back(key_code_key);
      return;
    }
  }
  for (const char byte : cp437_from_utf8(text)) batch.keys.push_back(Text(1, byte));
}

}  // namespace console::glut
