#pragma once
// The wait cursor for as long as the program blocks: on the recorder (a
// download before its progress box, programming, the self-test, a Monitor
// poll) or on a long file operation. A box that waits for the user meanwhile
// (a message, the progress box with its "Прервать") takes the ordinary cursor
// back while it is up.
namespace zet::ui {

class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// For the time a box waits for the user; does nothing unless a BusyCursor is up.
class UserCursor {
 public:
  UserCursor();
  ~UserCursor();
  UserCursor(const UserCursor&) = delete;
  UserCursor& operator=(const UserCursor&) = delete;

 private:
  bool pushed_ = false;
};

}  // namespace zet::ui
