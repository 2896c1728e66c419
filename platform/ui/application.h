// The application object: title, forms, the message loop and the UI thread's queue.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/form.h"

namespace ui {

class Application {
 public:
  // One per program; it becomes Current() for its lifetime. Needs an installed backend to
  // show anything; without one forms and components only hold state.
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  static Application* Current();

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& t) { title_ = t; }

  // Builds a form the application owns: reference is set first (so OnCreate may use it),
  // then the form's window is created and OnCreate runs. The first form is the main form.
  template <class T, class... Args>
  T& CreateForm(T*& reference, Args&&... args) {
    auto form = std::make_unique<T>(std::forward<Args>(args)...);
    reference = form.get();
    Adopt(std::move(form));
    return *reference;
  }
  Form* MainForm() const { return mainForm_; }
  const std::vector<Form*>& Forms() const { return order_; }
  // Whether Run() shows the main form first (on by default).
  bool ShowMainForm() const { return showMainForm_; }
  void SetShowMainForm(bool v) { showMainForm_ = v; }

  // Shows the main form and runs the message loop until Terminate() or the main form closes.
  void Run();
  // Handles the messages waiting now, from inside a handler, then returns.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // From any thread: run step on the UI thread later (Queue) or now and wait (Synchronize;
  // an exception of step is rethrown in the waiting thread). On the UI thread Synchronize
  // runs step at once.
  void Queue(std::function<void()> step);
  void Synchronize(const std::function<void()>& step);
  bool IsUiThread() const { return std::this_thread::get_id() == uiThread_; }
  // Runs the queued steps; backends call it when woken.
  void RunQueued();

  // The default error handler: the exception's text in the standard error box, titled with
  // the application's title; the program goes on. OnException, when set, replaces the box.
  void HandleException(std::exception_ptr error);
  std::function<void(const std::exception_ptr&)> OnException;
  // Runs f and hands any exception to HandleException; nothing escapes.
  template <class F>
  void Guard(F&& f) noexcept {
    try {
      f();
    } catch (...) {
      HandleException(std::current_exception());
    }
  }

  // The application's own hidden top-level window, 0 without a backend.
  std::uintptr_t Handle() const;
  // Forms are told to redraw (style change).
  void RepaintAll();

 private:
  void Adopt(std::unique_ptr<Form> form);
  std::string title_;
  std::vector<std::unique_ptr<Form>> forms_;
  std::vector<Form*> order_;
  Form* mainForm_ = nullptr;
  bool showMainForm_ = true;
  bool terminated_ = false;
  std::thread::id uiThread_;
  std::mutex queueMutex_;
  std::deque<std::function<void()>> queue_;
};

// Guard for code that may run with or without an Application (backends' entry points).
void SafeCall(const std::function<void()>& f) noexcept;
// Lets pending messages run when there is an application (handlers that yield to the queue).
void ProcessPendingMessages();

}  // namespace ui
