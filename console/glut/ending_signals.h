// SIGTERM, SIGINT and SIGHUP end the run as a stop does, at every moment of
// it: from before the sound device and the display open until the end. They
// are blocked in every thread and taken by a thread of their own, which
// waits on nothing else. It hands the signal to the window thread, whose
// usual way out then ends the run; should the process still stand about a
// second later (the window thread waits inside a call on the X server, or
// start-up has not reached the window yet), the signal's thread ends it
// itself: the sound device closed within its patience, then the process
// ended by the signal. A signal that the program was started to ignore
// (nohup's SIGHUP, a background job's SIGINT) stays ignored.
#pragma once

namespace console::glut {

class EndingSignals {
 public:
  // Before any other thread starts: the threads started later inherit the
  // blocked signals. Throws std::system_error when the thread or its
  // descriptor cannot be had.
  static void take();
  // Readable once a signal has come; -1 when none is taken.
  static int fd();
  // The signal that came; 0 before one did.
  static int received();
};

}  // namespace console::glut
