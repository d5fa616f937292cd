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
#include "console/glut/key_mapping.h"

namespace console::glut {

void X11Keyboard::use_utf8_character_type() {
  const char* from_environment = std::setlocale(LC_CTYPE, "");
  if (from_environment == nullptr || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
    std::setlocale(LC_CTYPE, "C.UTF-8");
}

long X11Keyboard::open(Display* display, unsigned long window) {
  display_ = display;
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(display, True, &detectable);

  if (XSupportsLocale()) {
    // XMODIFIERS may name an input method server; where none answers, Xlib's
    // built-in one still reads the locale's Compose table.
    XSetLocaleModifiers("");
    input_method_ = XOpenIM(display, nullptr, nullptr, nullptr);
    if (input_method_ == nullptr) {
      XSetLocaleModifiers("@im=none");
      input_method_ = XOpenIM(display, nullptr, nullptr, nullptr);
    }
  }
  if (input_method_ != nullptr) {
    input_context_ = XCreateIC(input_method_, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                               window, XNFocusWindow, window, nullptr);
  }
  long filter_events = 0;
  if (input_context_ != nullptr) {
    XGetICValues(input_context_, XNFilterEvents, &filter_events, nullptr);
    XSetICFocus(input_context_);
  }
  return filter_events;
}

bool X11Keyboard::handle(XEvent& event, KeyBatch& batch) {
  switch (event.type) {
    case KeyPress:
      // Key code 0: the text of a dead-key or Compose sequence, which the
      // input method puts back as a key press of its own.
      if (event.xkey.keycode == 0) {
        if (!XFilterEvent(&event, None)) type_key(event, batch);
      } else {
        key_pressed(event, batch);
      }
      return true;
    case KeyRelease:
      if (event.xkey.keycode == pause_keycode_down_) pause_keycode_down_ = 0;
      XFilterEvent(&event, None);
      return true;
    case MappingNotify:
      // Keeps the keysym lookups right when the keyboard map changes.
      XRefreshKeyboardMapping(&event.xmapping);
      return true;
    default:
      // The input method's own messages, if it talks to a server.
      return XFilterEvent(&event, None) == True;
  }
}

void X11Keyboard::key_pressed(XEvent& event, KeyBatch& batch) {
  // The key's own symbol, and the one its modifiers select: on a PC
  // keyboard, Ctrl turns the Pause key into Break.
  const KeySym plain = XLookupKeysym(&event.xkey, 0);
  if (is_modifier_or_lock(plain)) {
    XFilterEvent(&event, None);
    return;
  }
  KeySym chosen = NoSymbol;
  unsigned modifiers_used = 0;
  XkbLookupKeySym(display_, static_cast<KeyCode>(event.xkey.keycode), event.xkey.state, &modifiers_used, &chosen);
  if (plain == XK_Break || chosen == XK_Break || (plain == XK_Pause && (event.xkey.state & ControlMask))) {
    batch.stop = true;
    return;
  }
  if (plain == XK_Pause) {
    // While the key is down its repeats arrive as further presses.
    if (pause_keycode_down_ == event.xkey.keycode) return;
    pause_keycode_down_ = event.xkey.keycode;
    batch.hold = !batch.hold;
    return;
  }
  if (batch.hold) {
    // Any other key ends the hold, also one that types nothing; it is not
    // queued, nor does it begin a Compose sequence.
    batch.hold = false;
    return;
  }
  if (XFilterEvent(&event, None)) return;  // taken by a dead-key or Compose sequence
  type_key(event, batch);
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
