#include "tests/support/headless_display.h"

#include <filesystem>
#include <iostream>
#include <string>

#include "platform/window/display.h"
#include "platform/window/headless/headless.h"

namespace testsupport {

class HeadlessDisplayTest::FrameSaver : public ::testing::EmptyTestEventListener {
 public:
  explicit FrameSaver(std::string stem) : stem_(std::move(stem)) {}
  void OnTestPartResult(const ::testing::TestPartResult& result) override {
    if (saved_ || !result.failed() || !plat::IsWindowThread()) return;
    saved_ = true;
    const std::filesystem::path folder = std::filesystem::absolute("test-frames");
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const auto save = [&](const plat::Bitmap& picture, const std::string& what) {
      const auto file = folder / (stem_ + "-" + what + ".png");
      if (!picture.empty() && picture.SavePng(file)) std::cout << "saved " << file.string() << "\n";
    };
    save(plat::headless::Screenshot(), "screen");
    int index = 0;
    for (const plat::Window* window : plat::headless::Windows()) {
      save(window->frame(), "window" + std::to_string(index++));
    }
  }

 private:
  const std::string stem_;
  bool saved_ = false;
};

void HeadlessDisplayTest::SetUp() {
  std::string error;
  ASSERT_TRUE(plat::OpenDisplay(plat::DisplayKind::kHeadless, &error)) << error;
  // gtest holds its lock while it reports a failure, so the name is taken now.
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  saver_ = new FrameSaver(std::string(info->test_suite_name()) + "." + info->name());
  ::testing::UnitTest::GetInstance()->listeners().Append(saver_);
}

void HeadlessDisplayTest::TearDown() {
  if (saver_) delete ::testing::UnitTest::GetInstance()->listeners().Release(saver_);
  saver_ = nullptr;
  plat::CloseDisplay();
}

}  // namespace testsupport
