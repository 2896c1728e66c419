// Window definitions, forms and the application object on the headless backend.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/ui/headless/headless_ui.h"

namespace {

using ui::DefinitionError;

// Binds every handler name a definition may use to a recorder, so a definition loads
// without its form class.
struct AnyHandlers {
  std::vector<std::string> calls;
  ui::HandlerMap map;
  void Notify(const std::string& name) {
    map.Add(name, ui::NotifyEvent([this, name](ui::Component&) { calls.push_back(name); }));
  }
};

ui::HandlerMap Form1Handlers(std::vector<std::string>& calls) {
  ui::HandlerMap h;
  for (const char* n : {"FormCreate", "MenuExitClick", "Timer1Timer", "PopupMenu1Popup", "SettingsClick",
                        "MenuAboutClick", "MenuCheckUpdateClick", "ThemeAutoClick", "ThemeLightClick",
                        "ThemeDarkClick"})
    h.Add(n, ui::NotifyEvent([&calls, n](ui::Component&) { calls.push_back(n); }));
  h.Add("FormClose", ui::CloseEvent([&calls](ui::Component&, ui::CloseAction&) { calls.push_back("FormClose"); }));
  h.Add("LabelNumberMouseDown",
        ui::MouseEvent([&calls](ui::Component&, ui::MouseButton, unsigned, int, int) { calls.push_back("MouseDown"); }));
  h.Add("TrayIcon1MouseMove",
        ui::MouseMoveEvent([&calls](ui::Component&, unsigned, int, int) { calls.push_back("TrayIcon1MouseMove"); }));
  h.Add("TrayIcon1DblClick", ui::NotifyEvent([&calls](ui::Component&) { calls.push_back("TrayIcon1DblClick"); }));
  return h;
}

TEST(Form1Definition, CreatesTheComponentsInTheOrderTranslationWalksWithTheirDesignTexts) {
  std::vector<std::string> calls;
  ui::Form form("Form1");
  ui::LoadForm(form, Form1Handlers(calls));
  std::vector<std::string> names;
  for (ui::Component* c : form.Components()) names.push_back(c->Name());
  const std::vector<std::string> expected = {
      "LabelNumber", "Timer1", "TrayIcon1", "PopupMenu1", "Name", "Version", "N1", "ThemeMenu", "ThemeAuto",
      "ThemeLight", "ThemeDark", "LanguageMenu", "N6", "Settings", "N5", "MenuCheckUpdate", "MenuAbout", "N3",
      "MenuExit", "ImageList1", "PopupMenuLanguage", "LangMonday", "LangTuesday", "LangWednesday", "LangThursday",
      "LangFriday", "LangSaturday", "LangSunday", "LangOnlyWindows", "LangError", "Timer2"};
  EXPECT_EQ(names, expected);
  for (ui::Component* c : form.Components()) EXPECT_EQ(c->Owner(), &form) << c->Name();

  EXPECT_EQ(form.Get<ui::MenuItem>("MenuExit").Caption(), "Выход");
  EXPECT_EQ(form.Get<ui::MenuItem>("LangOnlyWindows").Caption(), "Эта программа совместима только с Windows 10 и Windows 11.");
  EXPECT_EQ(form.Get<ui::MenuItem>("LangError").Caption(), "Ошибка");
  EXPECT_EQ(form.Get<ui::MenuItem>("ThemeDark").Caption(), "Темная");
  EXPECT_TRUE(form.Get<ui::MenuItem>("N3").IsSeparator());
  EXPECT_EQ(form.Caption(), "Cifrona");

  // Window properties and the label filling the client area.
  EXPECT_EQ(form.ClientWidth(), 201);
  EXPECT_EQ(form.ClientHeight(), 269);
  EXPECT_TRUE(form.TransparentColor());
  EXPECT_EQ(form.TransparentColorValue(), ui::kClGray);
  EXPECT_EQ(form.GetColor(), ui::kClGray);
  EXPECT_FALSE(form.AlphaBlend());
  EXPECT_EQ(form.AlphaBlendValue(), 50);
  EXPECT_EQ(form.GetFont().size, 9);
  auto& label = form.Get<ui::Label>("LabelNumber");
  EXPECT_EQ(label.BoundsRect(), (ui::Rect{0, 0, 201, 269}));
  EXPECT_EQ(label.Caption(), "1");
  EXPECT_EQ(label.GetAlignment(), ui::Alignment::Center);
  EXPECT_EQ(label.Layout(), ui::VerticalAlignment::Center);
  EXPECT_TRUE(label.StyleExempt());
  EXPECT_FALSE(label.ShowAccelChar());

  // The menu tree: items nested under their menu, radio theme items with ThemeAuto marked.
  auto& menu = form.Get<ui::PopupMenu>("PopupMenu1");
  ASSERT_EQ(menu.Items().size(), 12u);
  EXPECT_EQ(menu.Items().front()->Name(), "Name");
  EXPECT_EQ(form.Get<ui::MenuItem>("ThemeMenu").Items().size(), 3u);
  EXPECT_TRUE(form.Get<ui::MenuItem>("ThemeAuto").Checked());
  EXPECT_FALSE(form.Get<ui::MenuItem>("Name").Enabled());
  EXPECT_EQ(form.GetPopupMenu(), &menu);
  auto& tray = form.Get<ui::TrayIcon>("TrayIcon1");
  EXPECT_EQ(tray.Hint(), "Cifrona");
  EXPECT_EQ(tray.GetPopupMenu(), &menu);
  EXPECT_EQ(tray.Icons(), &form.Get<ui::ImageList>("ImageList1"));
  EXPECT_EQ(tray.Icons()->Icons(), (std::vector<std::string>{"TRAY0", "TRAY1", "TRAY2"}));
  EXPECT_EQ(form.Get<ui::Timer>("Timer1").Interval(), 1000u);

  // Events bound by name.
  form.Get<ui::MenuItem>("MenuExit").Click();
  form.Get<ui::Timer>("Timer1").Tick();
  EXPECT_EQ(calls, (std::vector<std::string>{"MenuExitClick", "Timer1Timer"}));
}

// Every handler a dialog's definition names, with the signature its event needs.
ui::HandlerMap DialogHandlers(std::vector<std::string>& calls, std::initializer_list<const char*> names) {
  ui::HandlerMap h;
  for (const char* n : names) {
    std::string name = n;
    if (name.ends_with("KeyDown"))
      h.Add(name, ui::KeyEvent([&calls, name](ui::Component&, int&, unsigned) { calls.push_back(name); }));
    else if (name.ends_with("KeyPress"))
      h.Add(name, ui::KeyPressEvent([&calls, name](ui::Component&, char16_t&) { calls.push_back(name); }));
    else if (name == "FormClose")
      h.Add(name, ui::CloseEvent([&calls, name](ui::Component&, ui::CloseAction&) { calls.push_back(name); }));
    else
      h.Add(name, ui::NotifyEvent([&calls, name](ui::Component&) { calls.push_back(name); }));
  }
  return h;
}

std::vector<std::string> TextsOf(const ui::Form& form) {
  std::vector<std::string> out;
  for (ui::Component* c : form.Components())
    if (auto caption = c->GetTextProperty("Caption"); caption && !caption->empty() && *caption != "-")
      out.push_back(c->Name() + "=" + *caption);
  return out;
}

TEST(DialogDefinitions, SettingsDialogHasEveryControlWithItsRangesAndDesignTexts) {
  std::vector<std::string> calls;
  ui::Form form("Form2");
  ui::LoadForm(form, DialogHandlers(calls, {"FormCreate", "SpinEditNumberChange", "SpinEditNumberKeyDown",
                                            "SpinEditNumberKeyPress", "SpinEditScaleChange", "SpinEditScaleKeyDown",
                                            "SpinEditScaleKeyPress", "TrackBarScaleChange", "ComboBoxFontChange",
                                            "ColorBoxNumberClick", "CheckBoxAutoColorClick", "MenuColorTrayIconClick",
                                            "CheckBoxIgnoreMouseClick", "RadioButtonDefaultPositionClick",
                                            "RadioButtonLastPositionClick", "MenuAutostartClick", "ButtonSaveClick"}));
  EXPECT_EQ(form.Caption(), "Настройки");
  EXPECT_EQ(TextsOf(form), (std::vector<std::string>{
                               "GroupBoxNumber=Число", "GroupBox2=Вид", "MenuColorTrayIcon=Цветная иконка",
                               "CheckBoxIgnoreMouse=Игнорировать мышь", "GroupBoxFont=Шрифт", "CheckBoxAutoColor=Авто цвет",
                               "GroupBoxScale=Масштаб", "GroupBox3=Положение окна", "RadioButtonDefaultPosition=По центру",
                               "RadioButtonLastPosition=Последнее", "GroupBox4=Автозагрузка",
                               "MenuAutostart=Автозагрузка при старте Windows", "ButtonSave=Ok"}));
  auto& number = form.Get<ui::SpinEdit>("SpinEditNumber");
  EXPECT_EQ(number.MinValue(), 1);
  EXPECT_EQ(number.MaxValue(), 5000);
  EXPECT_EQ(number.Text(), "1");
  EXPECT_EQ(number.Parent(), &form.Get<ui::GroupBox>("GroupBoxNumber"));
  auto& slider = form.Get<ui::TrackBar>("TrackBarScale");
  EXPECT_EQ(slider.Min(), 30);
  EXPECT_EQ(slider.Max(), 500);
  EXPECT_EQ(slider.Position(), 100);
  EXPECT_FALSE(slider.TickMarks());
  auto& fonts = form.Get<ui::ComboBox>("ComboBoxFont");
  EXPECT_EQ(fonts.Items().size(), 7u);
  EXPECT_EQ(fonts.Items()[6], "Segoe UI");
  EXPECT_EQ(fonts.ItemIndex(), 0);
  EXPECT_EQ(form.Get<ui::ColorBox>("ColorBoxNumber").Selected(), ui::kClWhite);
  EXPECT_TRUE(form.Get<ui::RadioButton>("RadioButtonDefaultPosition").Checked());
  EXPECT_TRUE(form.Get<ui::Button>("ButtonSave").Default());
  // Handlers bound by name; design values ran none of them.
  EXPECT_TRUE(calls.empty());
  form.Get<ui::RadioButton>("RadioButtonLastPosition").SetChecked(true);
  slider.SetPosition(200);
  EXPECT_EQ(calls, (std::vector<std::string>{"RadioButtonLastPositionClick", "TrackBarScaleChange"}));
}

TEST(DialogDefinitions, AboutAndUpdateDialogsHaveTheirComponentsAndMessageItems) {
  std::vector<std::string> calls;
  ui::Form about("Form8");
  ui::LoadForm(about, DialogHandlers(calls, {"FormCreate", "FormShow", "LabelTelegramClick", "LabelGMailClick",
                                             "LabelYaMailClick", "LabelMainWebSiteClick", "Button1Click"}));
  EXPECT_EQ(about.Caption(), "О программе");
  EXPECT_EQ(about.ClientWidth(), 334);
  EXPECT_EQ(about.ClientHeight(), 161);
  EXPECT_EQ(about.Get<ui::Label>("LabelMainWebSite").Caption(), "Сайт основной");
  EXPECT_EQ(about.Get<ui::Label>("LabelTelegram").GetCursor(), ui::Cursor::Hand);
  EXPECT_TRUE(about.Get<ui::Label>("LabelTelegram").GetFont().underline);
  EXPECT_EQ(about.Get<ui::Image>("Image1").IconResource(), "MAINICON");
  for (const char* mail : {"LabelGMail", "LabelYaMail"}) {
    std::string caption = about.Get<ui::Label>(mail).Caption();
    EXPECT_NE(caption.find('@'), std::string::npos) << mail;
    EXPECT_EQ(caption.find("CIFRONA_MAIL"), std::string::npos) << mail << " keeps its placeholder";
  }
  auto& buttons = about.Get<ui::TabControl>("TabControlButtons");
  EXPECT_EQ(buttons.BoundsRect(), (ui::Rect{0, 126, 334, 161}));  // 35 high along the bottom
  EXPECT_EQ(about.Get<ui::Button>("Button1").Parent(), &buttons);

  ui::Form update("Form10");
  ui::LoadForm(update, DialogHandlers(calls, {"FormCreate", "FormShow", "FormClose", "ButtonDownloadClick",
                                              "CheckBoxForceUpdateClick", "ButtonCloseClick"}));
  EXPECT_EQ(update.Caption(), "Обновление");
  EXPECT_TRUE(update.Get<ui::CheckBox>("CheckBoxQuickUpdate").Checked());
  EXPECT_FALSE(update.Get<ui::CheckBox>("CheckBoxForceUpdate").Checked());
  EXPECT_TRUE(update.Get<ui::CheckBox>("CheckBoxAutoCheck").Checked());
  EXPECT_EQ(update.Get<ui::Label>("LabelUpDate").Caption(), "Проверка обновления...");
  EXPECT_TRUE(update.Get<ui::Label>("LabelServerVersion").GetFont().bold);
  EXPECT_EQ(update.Get<ui::Button>("ButtonDownload").Caption(), "Скачать");
  auto& messages = update.Get<ui::PopupMenu>("PopupMenuLanguage");
  ASSERT_EQ(messages.Items().size(), 18u);
  EXPECT_EQ(messages.Items().front()->Name(), "LangNoDownload");
  EXPECT_EQ(messages.Items()[13]->Caption(), "Ошибка соединения");
  EXPECT_EQ(messages.Items().back()->Name(), "LangUnpackFailed");
  EXPECT_EQ(update.Get<ui::MenuItem>("LangUpdateNow").Caption(), "Хотите обновить приложение сейчас?");
}

// The About dialog's panels and stacked labels, as the frame or the DPI size its window.
TEST(DialogDefinitions, AboutLayoutFollowsTheClientSizeAndTheDpi) {
  ui::headless::Backend backend;
  backend.dpi = 144;
  std::vector<std::string> calls;
  ui::Form about("Form8");
  ui::LoadForm(about, DialogHandlers(calls, {"FormCreate", "FormShow", "LabelTelegramClick", "LabelGMailClick",
                                             "LabelYaMailClick", "LabelMainWebSiteClick", "Button1Click"}));
  auto rect = [&](const char* name) { return about.Get<ui::Control>(name).BoundsRect(); };
  EXPECT_EQ(rect("LabelVersion"), (ui::Rect{0, 10, 334, 30}));
  EXPECT_EQ(rect("LabelCopyright"), (ui::Rect{0, 30, 334, 48}));
  EXPECT_EQ(rect("LabelMainWebSite"), (ui::Rect{0, 102, 334, 120}));
  EXPECT_EQ(rect("Button1"), (ui::Rect{8, 4, 326, 31}));

  // A frame too thin for the smallest outer size grows the client area: all stretches.
  about.SetClientSize(348, 175);
  EXPECT_EQ(rect("LabelCopyright"), (ui::Rect{0, 30, 348, 48}));
  EXPECT_EQ(rect("TabControlButtons"), (ui::Rect{0, 140, 348, 175}));
  EXPECT_EQ(rect("Button1"), (ui::Rect{8, 4, 340, 31}));

  // Created at 144 DPI: sizes, paddings and the button bar's height grow by half.
  about.SetClientSize(334, 161);
  about.Handle();
  EXPECT_EQ(about.ClientWidth(), 501);
  EXPECT_EQ(about.ClientHeight(), 242);
  EXPECT_EQ(about.MinWidth(), 525);
  EXPECT_EQ(rect("LabelVersion"), (ui::Rect{0, 15, 501, 45}));
  EXPECT_EQ(rect("LabelCopyright"), (ui::Rect{0, 45, 501, 72}));
  EXPECT_EQ(rect("TabControlButtons"), (ui::Rect{0, 189, 501, 242}));
  EXPECT_EQ(rect("Button1"), (ui::Rect{12, 6, 489, 47}));
}

TEST(DialogDefinitions, EveryBuiltInDefinitionIsThere) {
  EXPECT_EQ(ui::BuiltInDefinitionNames(), (std::vector<std::string>{"Form1", "Form10", "Form2", "Form8"}));
}

TEST(Loader, FaultsOfDefinitionsAndBindingsAreErrorsNamingTheLine) {
  struct Case {
    const char* what;
    const char* definition;
    const char* message;  // part of the error text
  } cases[] = {
      {"unknown handler", "form F\n  Button B\n    OnClick = NoSuchHandler\n  end\nend\n", "line 3: B.OnClick: no handler named NoSuchHandler"},
      {"wrong signature", "form F\n  Button B\n    OnMouseDown = Known\n  end\nend\n", "line 3: B.OnMouseDown: the handler has the wrong signature"},
      {"unknown event", "form F\n  Timer T\n    OnClick = Known\n  end\nend\n", "line 3: Timer T has no event OnClick"},
      {"unknown kind", "form F\n  Gadget G\n  end\nend\n", "line 2: unknown component kind Gadget"},
      {"unknown property", "form F\n  Label L\n    Colour = clGray\n  end\nend\n", "line 3: Label L has no property Colour"},
      {"wrong value type", "form F\n  Label L\n    Caption = 12\n  end\nend\n", "line 3: a text in quotes is expected"},
      {"duplicate name", "form F\n  Label L\n  end\n  Label L\n  end\nend\n", "line 4: a second component named L"},
      {"missing end", "form F\n  Label L\nend\n", "\"end\" is missing"},
      {"other form", "form G\nend\n", "the definition is for G, not F"},
      {"unclosed text", "form F\n  Caption = \"abc\nend\n", "line 2: the text is not closed"},
      {"menu item outside a menu", "form F\n  MenuItem M\n  end\nend\n", "line 2: menu item M must stand inside"},
      {"unknown reference", "form F\n  PopupMenu = Nowhere\nend\n", "F has no component Nowhere"},
      {"after the end", "form F\nend\nLabel L\n", "line 3: text after the form's closing"},
  };
  for (const auto& c : cases) {
    ui::Form form("F");
    ui::HandlerMap h;
    h.Add("Known", ui::NotifyEvent([](ui::Component&) {}));
    try {
      ui::LoadForm(form, c.definition, h);
      ADD_FAILURE() << c.what << ": loaded";
    } catch (const DefinitionError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("window definition F"), std::string::npos) << e.what();
    }
  }
}

TEST(Loader, ValuesSetInTheDefinitionRunNoHandlerAndCommentsAndEscapesWork) {
  ui::Form form("F");
  int clicks = 0;
  ui::HandlerMap h;
  h.Add("BoxClick", ui::NotifyEvent([&](ui::Component&) { ++clicks; }));
  ui::LoadForm(form,
               "form F  # a comment\n"
               "  CheckBox Box\n"
               "    Caption = \"say \\\"#1\\\" \\\\ ok\"   # not part of the text\n"
               "    Checked = true\n"
               "    OnClick = BoxClick\n"
               "    Bounds = 8, 16, 100, -0\n"
               "  end\n"
               "end",
               h);
  auto& box = form.Get<ui::CheckBox>("Box");
  EXPECT_EQ(box.Caption(), "say \"#1\" \\ ok");
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(box.BoundsRect(), (ui::Rect{8, 16, 108, 16}));
  box.SetChecked(false);
  EXPECT_EQ(clicks, 1);
}

TEST(Loader, AFormsOwnComponentClassReplacesTheToolkitsAndMustBeOfTheSameKind) {
  struct TTrackBar : ui::TrackBar {
    using ui::TrackBar::TrackBar;
    bool DoMouseWheel(unsigned, int delta, ui::Point) override {
      SetPosition(Position() + delta / 120);
      return true;
    }
  };
  ui::Form form("F");
  ui::LoadForm(form, "form F\n  TrackBar TrackBarScale\n    Max = 500\n  end\nend\n", {},
               ui::ClassMap().Use<TTrackBar>("TrackBarScale"));
  EXPECT_NE(dynamic_cast<TTrackBar*>(&form.Get<ui::TrackBar>("TrackBarScale")), nullptr);

  ui::Form other("F");
  EXPECT_THROW(ui::LoadForm(other, "form F\n  Label TrackBarScale\n  end\nend\n", {},
                            ui::ClassMap().Use<TTrackBar>("TrackBarScale")),
               DefinitionError);
}

struct AppFixture : ::testing::Test {
  ui::headless::Backend backend;
  ui::Application app;
};

class TestForm : public ui::Form {
 public:
  explicit TestForm(std::vector<std::string>& log, TestForm*& self) : ui::Form("FormT"), log_(log) {
    OnCreate = [this, &self](ui::Component&) { log_.push_back(self == this ? "create, reference set" : "create"); };
    OnClose = [this](ui::Component&, ui::CloseAction& a) {
      log_.push_back("close");
      a = closeAction;
    };
    auto& ok = Create<ui::Button>("ButtonOk");
    ok.SetModalResult(ui::kMrOk);
    ok.SetDefault(true);
  }
  ui::CloseAction closeAction = ui::CloseAction::Hide;

 private:
  std::vector<std::string>& log_;
};

TEST_F(AppFixture, CreateFormSetsTheReferenceBeforeOnCreateAndClosingTheMainFormEndsTheLoop) {
  std::vector<std::string> log;
  TestForm* main = nullptr;
  app.CreateForm(main, log, main);
  EXPECT_EQ(app.MainForm(), main);
  EXPECT_TRUE(main->HandleAllocated());
  EXPECT_EQ(log, (std::vector<std::string>{"create, reference set"}));
  app.Run();
  EXPECT_TRUE(main->Visible());
  main->closeAction = ui::CloseAction::None;
  main->Close();
  EXPECT_FALSE(app.Terminated());
  main->closeAction = ui::CloseAction::Hide;
  main->Close();
  EXPECT_TRUE(app.Terminated());
}

TEST_F(AppFixture, ShowModalEndsWithTheButtonsResultOrCancelAndRefusesAVisibleForm) {
  std::vector<std::string> log;
  TestForm* main = nullptr;
  TestForm* dialog = nullptr;
  app.CreateForm(main, log, main);
  app.CreateForm(dialog, log, dialog);
  backend.onModal = [&](ui::Form& f) { backend.Key(f.Get<ui::Button>("ButtonOk"), ui::key::kReturn); };
  EXPECT_EQ(dialog->ShowModal(), ui::kMrOk);
  EXPECT_FALSE(dialog->Visible());
  backend.onModal = [&](ui::Form& f) { backend.CloseBox(f); };
  EXPECT_EQ(dialog->ShowModal(), ui::kMrCancel);
  EXPECT_FALSE(app.Terminated());  // a dialog's close box does not end the program
  backend.onModal = [&](ui::Form& f) { backend.Key(f.Get<ui::Button>("ButtonOk"), ui::key::kEscape); };
  EXPECT_EQ(dialog->ShowModal(), ui::kMrCancel);
  dialog->Show();
  EXPECT_THROW(dialog->ShowModal(), std::logic_error);
}

TEST_F(AppFixture, AHandlersExceptionShowsTheErrorBoxWithTheTitleAndTheProgramGoesOn) {
  app.SetTitle("Cifrona");
  ui::Form form("FormT");
  form.CreateHandle();
  auto& timer = form.Create<ui::Timer>("Timer1");
  int ticks = 0;
  timer.OnTimer = [&](ui::Component&) {
    if (++ticks == 1) throw std::runtime_error("Cannot create file \"C:\\x.ini\". Access is denied");
  };
  backend.FireTimer(timer);
  backend.FireTimer(timer);
  EXPECT_EQ(ticks, 2);
  ASSERT_EQ(backend.errorBoxes.size(), 1u);
  EXPECT_EQ(backend.errorBoxes[0].title, "Cifrona");
  EXPECT_EQ(backend.errorBoxes[0].text, "Cannot create file \"C:\\x.ini\". Access is denied");
  // A value set from code hands the handler's exception to the caller instead.
  auto& box = form.Create<ui::CheckBox>("Box");
  box.OnClick = [](ui::Component&) { throw std::runtime_error("boom"); };
  EXPECT_THROW(box.SetChecked(true), std::runtime_error);
}

TEST_F(AppFixture, WorkersQueueStepsOnTheUiThreadAndSynchronizeWaitsAndRethrows) {
  std::vector<int> ran;
  std::thread worker([&] { app.Queue([&] { ran.push_back(1); }); });
  worker.join();
  EXPECT_TRUE(ran.empty());
  app.ProcessMessages();
  EXPECT_EQ(ran, std::vector<int>{1});
  // Synchronize from a worker: the UI thread serves the queue until the worker is done.
  std::atomic<bool> done{false};
  std::string caught;
  std::thread waiter([&] {
    try {
      app.Synchronize([&] { throw std::runtime_error("from the UI thread"); });
    } catch (const std::exception& e) {
      caught = e.what();
    }
    done = true;
  });
  while (!done) app.ProcessMessages();
  waiter.join();
  EXPECT_EQ(caught, "from the UI thread");
  EXPECT_TRUE(backend.errorBoxes.empty());
}

TEST_F(AppFixture, TrayRightClickOpensTheMenuForTheOwnerWithAutoPopupOff) {
  ui::Form form("Form1");
  auto& menu = form.Create<ui::PopupMenu>("PopupMenu1");
  auto& tray = form.Create<ui::TrayIcon>("TrayIcon1");
  tray.SetPopupMenu(&menu);
  form.CreateHandle();
  backend.TrayButtonUp(tray, ui::MouseButton::Right, {300, 400});
  EXPECT_FALSE(menu.AutoPopup());
  EXPECT_EQ(menu.PopupComponent(), &form);
  EXPECT_EQ(menu.PopupPoint(), (ui::Point{300, 400}));
  EXPECT_EQ(backend.foregroundRequests, 1);
  ASSERT_EQ(backend.popups.size(), 1u);
  backend.TrayButtonUp(tray, ui::MouseButton::Left, {300, 400});
  EXPECT_EQ(backend.popups.size(), 1u);
}

TEST_F(AppFixture, WheelGoesToTheFormFirstThenToTheReceivingControl) {
  ui::Form form("Form2");
  auto& slider = form.Create<ui::TrackBar>("TrackBarScale");
  slider.SetBounds(10, 10, 100, 30);
  slider.SetMax(500);
  bool formTakes = false;
  form.OnMouseWheel = [&](ui::Component&, unsigned, int, ui::Point, bool& handled) { handled = formTakes; };
  slider.OnMouseWheel = [&](ui::Component&, unsigned, int delta, ui::Point, bool& handled) {
    slider.SetPosition(slider.Position() + delta / 120);
    handled = true;
  };
  backend.Wheel(slider, 240, {20, 20});
  EXPECT_EQ(slider.Position(), 2);
  formTakes = true;
  backend.Wheel(slider, 240, {20, 20});
  EXPECT_EQ(slider.Position(), 2);
  EXPECT_EQ(form.ControlAt({15, 15}), &slider);
  EXPECT_EQ(form.ControlAt({5, 5}), nullptr);
}

TEST(TextWidth, HeadlessMeasureIsDeterministicInTheLabelsFont) {
  ui::headless::Backend backend;
  ui::Form form("Form1");
  auto& label = form.Create<ui::Label>("LabelNumber");
  ui::Font f = label.GetFont();
  f.size = 168;  // 224 px at 96 DPI: 134 px per character
  label.SetFont(f);
  EXPECT_EQ(label.TextWidth("1000"), 4 * 134);
  EXPECT_EQ(label.TextWidth("Выход"), 5 * 134);
  EXPECT_EQ(label.TextWidth(""), 0);
}

// Captions that fit, on a small form (7 px a character at 9 pt; a check box's box and a
// label's ink take 22 and 2 more): a row first shares what its captions leave over, a row
// too narrow as a whole widens the form, titles in a column keep one width, a label filled
// at run time keeps its width, and every fit starts from the design.
TEST(FitTexts, RowsShareTheirRoomBeforeTheFormWidensAndEveryFitStartsFromTheDesign) {
  ui::headless::Backend backend;
  ui::Form form("FormFit");
  form.SetFitsTexts(true);
  form.SetClientSize(200, 80);
  auto place = [&form](auto& c, int l, int t, int w) {
    c.SetParent(&form);
    c.SetBounds(l, t, w, 20);
  };
  auto& a = form.Create<ui::CheckBox>("A");
  auto& b = form.Create<ui::CheckBox>("B");
  auto& title1 = form.Create<ui::Label>("Title1");
  auto& value1 = form.Create<ui::Label>("Value1");  // filled at run time
  auto& title2 = form.Create<ui::Label>("Title2");
  place(a, 10, 0, 90), place(b, 110, 0, 80);
  place(title1, 10, 30, 60), place(value1, 76, 30, 114), place(title2, 10, 55, 60);
  title1.SetAutoSize(false), value1.SetAutoSize(false), title2.SetAutoSize(false);
  struct Case {
    const char* what;
    std::string a, b, title1;
    ui::Rect ra, rb, rt;  // the check boxes and the titles' column after the fit
    int width;
  } cases[] = {
      {"fits: the design", "Ab", "Cd", "T:", {10, 0, 100, 20}, {110, 0, 190, 20}, {10, 30, 70, 50}, 200},
      // 10 characters need 92: two pixels from B, which has 44 to spare; the gap stays.
      {"one too long: its row shares", "Abcdefghij", "Cd", "T:", {10, 0, 102, 20}, {112, 0, 190, 20}, {10, 30, 70, 50}, 200},
      // Twelve characters each want 106, 212 of 170: everything 1.257 times as wide (rounded
      // up), then A gives B what B still lacks, and the gap between them stays 13.
      {"both too long: the form widens", "Abcdefghijkl", "Cdefghijklmn", "T:", {13, 0, 120, 20}, {133, 0, 239, 20}, {13, 30, 88, 50}, 252},
      // The title wants 9 × 7 + 2 = 65 of 60; the value (run-time text) gives nothing.
      {"a long title: the form widens, its column stays one", "Ab", "Cd", "Version:9", {11, 0, 109, 20}, {120, 0, 207, 20},
       {11, 30, 77, 50}, 218},
      {"short again: the design", "Ab", "Cd", "T:", {10, 0, 100, 20}, {110, 0, 190, 20}, {10, 30, 70, 50}, 200},
  };
  for (const auto& c : cases) {
    a.SetCaption(c.a), b.SetCaption(c.b), title1.SetCaption(c.title1), title2.SetCaption("T:");
    form.FitTexts();
    value1.SetCaption("2.0.26.307");  // what the program puts there once the window is made
    EXPECT_GE(value1.Width(), 114) << c.what;  // never a donor: its longest text is not known
    EXPECT_EQ(a.BoundsRect(), c.ra) << c.what;
    EXPECT_EQ(b.BoundsRect(), c.rb) << c.what;
    EXPECT_EQ(title1.BoundsRect(), c.rt) << c.what;
    EXPECT_EQ(title2.Width(), title1.Width()) << c.what;
    EXPECT_EQ(title2.Left(), title1.Left()) << c.what;
    EXPECT_GT(value1.Left(), title1.Left() + title1.Width()) << c.what;
    EXPECT_EQ(form.ClientWidth(), c.width) << c.what;
    EXPECT_LE(backend.TextWidth(a, a.Caption()) + 20, a.Width()) << c.what;
    EXPECT_LE(backend.TextWidth(b, b.Caption()) + 20, b.Width()) << c.what;
    EXPECT_LE(backend.TextWidth(title1, title1.Caption()), title1.Width()) << c.what;
  }
}

TEST(Styles, NamesIgnoreCaseUnknownOrActiveNamesChangeNothingAndExemptControlsKeepTheirColours) {
  auto& styles = ui::StyleManager::Instance();
  styles.Reset();
  int changes = 0;
  styles.OnChange = [&] { ++changes; };
  ui::Palette dark = ui::Palette::SystemLook();
  dark.windowBackground = ui::MakeColor(32, 32, 32);
  dark.text = ui::kClWhite;
  dark.dark = true;
  styles.Register("Windows11 Modern Dark", dark);
  EXPECT_FALSE(styles.SetStyle("No Such Style"));
  EXPECT_TRUE(styles.SetStyle("windows11 modern dark"));
  EXPECT_FALSE(styles.SetStyle("Windows11 Modern Dark"));
  EXPECT_EQ(changes, 1);

  ui::Form form("Form2");
  auto& box = form.Create<ui::CheckBox>("Box");
  auto& digits = form.Create<ui::Label>("LabelNumber");
  digits.SetStyleExempt(true);
  ui::Font f = digits.GetFont();
  f.color = ui::kClWhite;
  digits.SetFont(f);
  digits.SetColor(ui::kClGray);
  EXPECT_EQ(styles.BackgroundOf(box), ui::MakeColor(32, 32, 32));
  EXPECT_EQ(styles.TextColorOf(box), ui::kClWhite);
  EXPECT_EQ(styles.BackgroundOf(digits), ui::kClGray);
  EXPECT_EQ(styles.TextColorOf(digits), ui::kClWhite);
  styles.OnChange = nullptr;
  styles.Reset();
}

}  // namespace
