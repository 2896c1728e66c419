#include "platform/ui/application.h"

#include <future>
#include <typeinfo>

#include "platform/ui/backend.h"

namespace ui {

namespace {
Application* g_app = nullptr;
Backend* g_backend = nullptr;

std::string ErrorText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown error";
  }
}
}  // namespace

// ---------------------------------------------------------------- Backend registry

Backend::Backend() { g_backend = this; }
Backend::~Backend() {
  if (g_backend == this) g_backend = nullptr;
}
Backend* Backend::Current() { return g_backend; }

// ---------------------------------------------------------------- Application

Application::Application() : uiThread_(std::this_thread::get_id()) { g_app = this; }

Application::~Application() {
  for (auto it = order_.rbegin(); it != order_.rend(); ++it)
    if ((*it)->OnDestroy) SafeCall([&] { (*it)->OnDestroy(**it); });
  while (!forms_.empty()) forms_.pop_back();
  if (g_app == this) g_app = nullptr;
}

Application* Application::Current() { return g_app; }

void Application::Adopt(std::unique_ptr<Form> form) {
  Form& f = *form;
  forms_.push_back(std::move(form));
  order_.push_back(&f);
  if (!mainForm_) mainForm_ = &f;
  f.CreateHandle();
  f.DoCreate();
}

void Application::Run() {
  if (terminated_) return;
  if (showMainForm_ && mainForm_) Guard([&] { mainForm_->Show(); });
  if (Backend* b = Backend::Current()) b->Run(*this);
}

void Application::ProcessMessages() {
  if (Backend* b = Backend::Current()) b->ProcessMessages(*this);
  else RunQueued();
}

void Application::Terminate() {
  terminated_ = true;
  if (Backend* b = Backend::Current()) b->Terminate();
}

void Application::Queue(std::function<void()> step) {
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(std::move(step));
  }
  if (Backend* b = Backend::Current()) b->WakeUp();
}

void Application::Synchronize(const std::function<void()>& step) {
  if (IsUiThread()) {
    step();
    return;
  }
  std::promise<void> done;
  auto result = done.get_future();
  Queue([&] {
    try {
      step();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  result.get();
}

void Application::RunQueued() {
  for (;;) {
    std::function<void()> step;
    {
      std::lock_guard lock(queueMutex_);
      if (queue_.empty()) return;
      step = std::move(queue_.front());
      queue_.pop_front();
    }
    Guard(step);
  }
}

void Application::HandleException(std::exception_ptr error) {
  try {
    if (OnException) {
      OnException(error);
      return;
    }
    if (Backend* b = Backend::Current()) b->ShowErrorBox(title_, ErrorText(error));
  } catch (...) {
    // The error handler itself failed; there is nobody left to tell.
  }
}

std::uintptr_t Application::Handle() const {
  Backend* b = Backend::Current();
  return b ? b->ApplicationHandle() : 0;
}

void Application::RepaintAll() {
  for (Form* f : order_) f->Invalidate();
}

void ProcessPendingMessages() {
  if (Application* app = Application::Current()) app->ProcessMessages();
}

void SafeCall(const std::function<void()>& f) noexcept {
  if (Application* app = Application::Current()) {
    app->Guard(f);
    return;
  }
  try {
    f();
  } catch (...) {
    if (Backend* b = Backend::Current()) {
      try {
        b->ShowErrorBox("", ErrorText(std::current_exception()));
      } catch (...) {
      }
    }
  }
}

}  // namespace ui
