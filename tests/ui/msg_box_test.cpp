#include "ui/msg_box.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/window/display.h"
#include "platform/window/headless/headless.h"
#include "tests/support/pixels.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_test_support.h"
#include "ui/msg_box_hook.h"
#include "ui/skin_constants.h"
#include "util/message_box.h"

namespace {

using plat::headless::Click;
using plat::headless::MovePointer;
using plat::headless::Press;
using plat::headless::PressKey;
using plat::headless::Release;
using plat::headless::RequestClose;
using uitest::AnswerBox;
using uitest::Centre;

class MsgBoxTest : public uitest::UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    ASSERT_TRUE(owner.Create(plat::Rect::FromSize(120, 80, 630, 440)));
    owner.Show();
  }
  void TearDown() override {
    owner.Destroy();
    UiTest::TearDown();
  }
  // What a box of type shows; index chooses the button to press.
  struct Seen {
    std::vector<plat::Rect> buttons;  // of the shown buttons
    std::vector<std::wstring> captions;
    plat::Rect bounds;
  };
  int Run(unsigned type, int index, Seen* seen = nullptr) {
    CMsgBox box(&owner, type, L"Question?");
    AnswerBox(anchor.ref(), index, [seen](const CMsgBox& shown) {
      if (seen == nullptr) return;
      seen->bounds = shown.Bounds();
      for (int i = 0; i < 4; ++i) {
        if (!shown.button(i).IsVisible()) continue;
        seen->buttons.push_back(shown.button(i).Bounds());
        seen->captions.push_back(shown.button(i).caption());
      }
    });
    return box.DoModal();
  }
  plat::Window owner;
};

TEST_F(MsgBoxTest, TypesShowTheirButtonsAndReturnTheirResults) {
  struct Case {
    unsigned type;
    std::vector<int> columns;
    std::vector<std::wstring> captions;
    std::vector<int> results;
  };
  const Case cases[] = {
      {MB_OK, {159}, {L"OK"}, {IDOK}},
      {MB_OKCANCEL, {100, 199}, {L"OK", L"Cancel"}, {IDOK, IDCANCEL}},
      {MB_YESNO, {100, 199}, {L"OK", L"Cancel"}, {IDYES, IDNO}},
      {MB_RETRYCANCEL, {100, 199}, {L"OK", L"Cancel"}, {IDRETRY, IDCANCEL}},
      {MB_YESNOCANCEL, {50, 150, 250}, {L"", L"", L""}, {IDYES, IDNO, IDCANCEL}},
      {0x9999, {10, 105, 200, 295}, {L"", L"", L"", L""}, {IDYES, IDNO, IDCANCEL, 0x9999}},
      {0x10 | MB_OKCANCEL, {159}, {L"OK"}, {IDOK}},  // an icon flag: a plain OK box
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    for (std::size_t i = 0; i < c.results.size(); ++i) {
      Seen seen;
      EXPECT_EQ(Run(c.type, static_cast<int>(i), &seen), c.results[i]) << "button " << i;
      ASSERT_EQ(seen.buttons.size(), c.columns.size());
      for (std::size_t b = 0; b < c.columns.size(); ++b) {
        EXPECT_EQ(seen.buttons[b], plat::Rect::FromSize(c.columns[b], 211, 76, 25));
      }
      EXPECT_EQ(seen.captions, c.captions);
      // At the owner's top-left corner, the picture's size.
      EXPECT_EQ(seen.bounds, plat::Rect::FromSize(120, 80, 384, 250));
    }
  }
  EXPECT_EQ(uitest::ShownBox(), nullptr);
}

TEST_F(MsgBoxTest, TheOwnerWaitsWhileTheBoxRuns) {
  bool ownerEnabled = true;
  CMsgBox box(&owner, MB_OK, L"Wait");
  AnswerBox(anchor.ref(), 0, [&](const CMsgBox&) { ownerEnabled = owner.IsEnabled(); });
  EXPECT_EQ(box.DoModal(), IDOK);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(owner.IsEnabled());
}

TEST_F(MsgBoxTest, EscapeAndTheCloseCommandLeaveItOpenAndEnterOnlyAnswersOk) {
  struct Case {
    unsigned type;
    int second;  // the result of the second button
  };
  for (const Case& c : {Case{MB_OKCANCEL, IDCANCEL}, Case{MB_YESNO, IDNO}}) {
    CMsgBox box(&owner, c.type, L"Really?");
    anchor.ref().PostCall([&] {
      PressKey(box, plat::Key::kEscape);
      RequestClose(box);
      if (c.type == MB_YESNO) PressKey(box, plat::Key::kEnter);  // its first button is Yes
      AnswerBox(anchor.ref(), 1);  // once those are handled, press the second button
    });
    EXPECT_EQ(box.DoModal(), c.second) << c.type;
  }
  for (const unsigned type : {MB_OK, MB_OKCANCEL}) {
    CMsgBox box(&owner, type, L"Ready?");
    anchor.ref().PostCall([&] { PressKey(box, plat::Key::kEnter); });
    EXPECT_EQ(box.DoModal(), IDOK) << type;
  }
}

TEST_F(MsgBoxTest, AnOkCommandEndsAnyBox) {
  struct Box : CMsgBox {
    using CMsgBox::CMsgBox;
    void Command(int id) { OnCommand(id, 0); }
  } box(&owner, MB_YESNOCANCEL, L"Three buttons");
  anchor.ref().PostCall([&] { box.Command(IDOK); });
  EXPECT_EQ(box.DoModal(), IDOK);
}

TEST_F(MsgBoxTest, DraggedByItsBackground) {
  CMsgBox box(&owner, MB_OK, L"Drag me");
  anchor.ref().PostCall([&] {
    Press(box, {30, 20});
    MovePointer(box, {80, 60});  // +50, +40
    Release(box, {30, 20});
    anchor.ref().PostCall([&] {
      EXPECT_EQ(box.Bounds(), plat::Rect::FromSize(170, 120, 384, 250));
      EXPECT_FALSE(box.HasCapture());
      AnswerBox(anchor.ref(), 0);
    });
  });
  EXPECT_EQ(box.DoModal(), IDOK);
}

TEST_F(MsgBoxTest, TheMessageIsLightGreyAndTheCaptionWhite) {
  CMsgBox box(&owner, MB_OK, L"\u2588\u2588\u2588 HHHH");  // full blocks: whole pixels of ink
  plat::Bitmap frame;
  AnswerBox(anchor.ref(), 0, [&](const CMsgBox& shown) { frame = shown.frame(); });
  EXPECT_EQ(box.DoModal(), IDOK);
  auto has = [&frame](const plat::Rect& area, plat::ColorRef colour) {
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (frame.At(x, y) == plat::ToPixel(colour)) return true;
    return false;
  };
  plat::Rect text = box.textRect();
  text.bottom = 211;  // above the buttons
  EXPECT_TRUE(has(text, 0x00ECECEC));
  EXPECT_FALSE(has(text, kSkinTextColour));
  const plat::Rect button = plat::Rect::FromSize(159, 211, 76, 25);
  EXPECT_TRUE(has(button, kSkinTextColour));  // "OK"
  EXPECT_FALSE(has(button, 0x00ECECEC));
}

TEST_F(MsgBoxTest, ALongMessageWrapsInsideTheTextAreaAndIsClipped) {
  const auto picture = plat::Bitmap::Load(testsupport::SourceDir() / "res" / "230.bmp");
  ASSERT_TRUE(picture.has_value());
  std::wstring text;
  for (int i = 0; i < 120; ++i) text += L"word" + std::to_wstring(i) + L" ";
  CMsgBox box(&owner, MB_OK, text);
  plat::Bitmap frame;
  AnswerBox(anchor.ref(), 0, [&](const CMsgBox& shown) { frame = shown.frame(); });
  EXPECT_EQ(box.DoModal(), IDOK);
  ASSERT_EQ(box.textRect(), plat::Rect::FromSize(20, 42, 344, 180));

  const plat::Rect area = box.textRect();
  const plat::Rect button = plat::Rect::FromSize(159, 211, 76, 25);
  int firstInk = frame.height(), lastInk = -1;
  for (int y = 0; y < frame.height(); ++y) {
    for (int x = 0; x < frame.width(); ++x) {
      const plat::Point p{x, y};
      if (button.Contains(p)) continue;
      const bool changed = frame.At(x, y) != picture->At(x, y);
      if (!area.Contains(p)) {
        ASSERT_FALSE(changed) << "ink outside the text area at " << x << "," << y;
      } else if (changed) {
        firstInk = std::min(firstInk, y);
        lastInk = std::max(lastInk, y);
      }
    }
  }
  EXPECT_LT(firstInk, area.top + 20);
  EXPECT_GT(lastInk, area.bottom - 20);  // more lines than fit: drawn to the bottom
}

TEST_F(MsgBoxTest, LinesOfTheMessageAreCentred) {
  const auto picture = plat::Bitmap::Load(testsupport::SourceDir() / "res" / "230.bmp");
  ASSERT_TRUE(picture.has_value());
  CMsgBox box(&owner, MB_OK, L"I\r\nI");
  plat::Bitmap frame;
  AnswerBox(anchor.ref(), 0, [&](const CMsgBox& shown) { frame = shown.frame(); });
  box.DoModal();
  // Two rows of ink, both around the middle of the text area (above the
  // button row, which overlaps the area's foot).
  plat::Rect area = box.textRect();
  area.bottom = 211;
  std::vector<int> rows;  // where each run of inked rows starts
  int left = frame.width(), right = 0, lastInkedRow = -10;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (frame.At(x, y) == picture->At(x, y)) continue;
      if (lastInkedRow < y - 1) rows.push_back(y);
      lastInkedRow = y;
      left = std::min(left, x);
      right = std::max(right, x);
    }
  }
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_NEAR((left + right) / 2, area.left + area.Width() / 2, 3);
}

TEST_F(MsgBoxTest, WithoutItsPictureTheBoxCanStillBeAnswered) {
  testsupport::TempDir faces;  // the button faces without the background
  for (const char* id : {"237", "238", "239", "241", "242", "243"}) {
    const std::string name = std::string(id) + ".bmp";
    std::filesystem::copy_file(testsupport::SourceDir() / "res" / name, faces.path() / name);
  }
  SetResourceFolder(faces.path().wstring());
  Seen seen;
  EXPECT_EQ(Run(MB_OKCANCEL, 1, &seen), IDCANCEL);
  EXPECT_EQ(seen.bounds, plat::Rect::FromSize(120, 80, 384, 250));
  EXPECT_EQ(seen.buttons.size(), 2u);
}

TEST_F(MsgBoxTest, TheHookShowsNothingWithoutAMainWindow) {
  SetMessageBoxOwner(nullptr);
  EXPECT_EQ(ShowSkinnedMessageBox(L"Nobody sees this", MB_OKCANCEL), 0);
  int fromWorker = -1;
  std::thread worker([&] { fromWorker = ShowSkinnedMessageBox(L"Nor this", MB_OK); });
  worker.join();
  EXPECT_EQ(fromWorker, 0);
  EXPECT_EQ(uitest::ShownBox(), nullptr);
}

TEST_F(MsgBoxTest, TheHookRunsTheBoxOnTheWindowThreadForAWorker) {
  SetMessageBoxOwner(&owner);
  SetMessageBoxHook(ShowSkinnedMessageBox);

  // On the window thread: the box runs at once.
  AnswerBox(anchor.ref(), 1);
  EXPECT_EQ(ShowMessageBox(L"Here?", MB_YESNO), IDNO);

  // From a worker: carried to the window thread; the worker waits.
  std::atomic<bool> done{false};
  int result = 0;
  std::wstring shownText;
  bool shownOnWindowThread = false;
  AnswerBox(anchor.ref(), 0, [&](const CMsgBox& box) {
    shownText = box.text();
    shownOnWindowThread = plat::IsWindowThread();
  });
  std::thread worker([&] {
    result = ShowMessageBox(L"From the worker", MB_OKCANCEL);
    done = true;
  });
  EXPECT_TRUE(plat::DispatchUntil([&] { return done.load(); }, 20000));
  worker.join();
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(shownText, L"From the worker");
  EXPECT_TRUE(shownOnWindowThread);

  // The main window gone: the worker gets 0 at once.
  SetMessageBoxOwner(nullptr);
  std::thread late([&] { result = ShowMessageBox(L"Too late", MB_OK); });
  late.join();
  EXPECT_EQ(result, 0);
  SetMessageBoxHook({});
}

}  // namespace
