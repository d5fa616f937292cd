// The window's keyboard, read on a connection of its own (KeyboardReader):
// every key press in the order in which the server sent it, so that the
// Pause key's hold, Break and the queued keys are decided on one stream. Text
// comes through an X input method, so dead keys and Compose sequences type
// their composed character. An input-method server that goes away is
// replaced by Xlib's built-in input method until it comes back.
#pragma once

#include <vector>

#include "console/text.h"

typedef struct _XDisplay Display;
typedef struct _XIM* XIM;
typedef struct _XIC* XIC;
typedef union _XEvent XEvent;

namespace console::glut {

// What the key presses read in one go come to, taken in the order in which
// they were pressed.
struct KeyBatch {
  std::vector<Text> keys;  // queue entries (1 or 2 bytes), oldest first
  bool hold = false;       // the Pause key's hold: as before the keys, then as after them
  bool stop = false;       // Break, or Ctrl+Pause: a stop key
};

class X11Keyboard {
 public:
  X11Keyboard() = default;
  X11Keyboard(const X11Keyboard&) = delete;
  X11Keyboard& operator=(const X11Keyboard&) = delete;

  // Makes the character type (LC_CTYPE) UTF-8, as the input method needs:
  // the environment's where that is UTF-8, else C.UTF-8. No other locale
  // category changes, so no number is written differently. Call it before
  // any thread starts.
  static void use_utf8_character_type();

  // On the thread that opened `display`, before any other request on it:
  // has the server report a held key's repeats as presses alone, and
  // selects the key, focus, keymap-state and structure events of `window`
  // (the last for the reader, which watches for its destruction). From
  // then on the key presses wait in the connection for handle().
  void attach(Display* display, unsigned long window);

  // Opens an input method and its input context and adds the input
  // method's events to the selection. `server_first`: the one that
  // XMODIFIERS names (a server, or where it names none the locale's Compose
  // table), or else Xlib's built-in one while Xlib is asked to report the
  // named server's start; otherwise the built-in one at once, and that
  // report asked for only once the list of the display's input-method
  // servers changes (a server that stopped answering may still be listed,
  // and asking for the report would wait on it). Without any input method
  // keys still work, uncomposed. May wait on an input-method server.
  void start_input_method(bool server_first);

  // Takes one event of the connection into `batch`. May wait on an
  // input-method server.
  void handle(XEvent& event, KeyBatch& batch);
  // After an event: goes over to the built-in input method when the server
  // has gone, and back to the server when one has started. May wait on an
  // input-method server.
  void follow_input_method_server();

 private:
  // Opens the input method that XMODIFIERS names (a server, or where it
  // names none the locale's Compose table), or Xlib's built-in one, with an
  // input context; false when it cannot be had.
  bool open_input_method(bool named_one);
  void select_events();
  void key_pressed(XEvent& event, KeyBatch& batch);
  void key_released(XEvent& event);
  // The keys that are down as the server reports them, after the pointer
  // or the focus came to the window: a Pause let go elsewhere is up again.
  void keys_down(const XEvent& event);
  // Asks for the server's report once the servers' list has changed.
  void servers_changed(const XEvent& event);
  // The queue entries of a key press that the input method let through.
  void type_key(XEvent& event, KeyBatch& batch);
  // Drops a pending dead-key or Compose sequence.
  void reset_composition();
  // Has Xlib report the named input method's server when it starts.
  void wait_for_server();
  void stop_waiting_for_server();

  static void server_gone(XIM input_method, char* keyboard, char* unused);
  static void server_started(Display* display, char* keyboard, char* unused);

  Display* display_ = nullptr;
  unsigned long window_ = 0;
  unsigned long xim_servers_ = 0;  // the root window's list of input-method servers (an atom)
  XIM input_method_ = nullptr;
  XIC input_context_ = nullptr;
  bool repeats_detectable_ = false;  // the server reports a held key's repeats as presses alone
  bool server_was_lost_ = false;     // set by the input method's destroy callback
  bool server_has_started_ = false;  // set by the instantiate callback
  bool waiting_for_server_ = false;  // the instantiate callback is registered
  bool waiting_for_servers_change_ = false;  // registered once the servers' list changes
  unsigned pause_keycode_down_ = 0;  // the Pause key's code while it is held down
};

}  // namespace console::glut
