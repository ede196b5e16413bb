// A fixture for the tests that drive the whole main window: English texts, the program's
// pictures, a private settings store and temporary folder, and the frame shown.
// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include <QSize>

#include <gtest/gtest.h>

#include "layer_load_bar.h"
#include "main_frame.h"
#include "program_bitmaps.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "platform/window_message.h"
#include "app/app_test_support.h"
#include "view/izamra_view.h"

namespace zamra_test {

class FrameTest : public ::testing::Test {
protected:
  explicit FrameTest(QSize size = QSize(1200, 800)) : m_size(size) {}

  void SetUp() override
  {
    ASSERT_TRUE(mapory::CResourceTable::SelectLanguage(mapory::kEnglish));
    mapory::RegisterProgramBitmaps();
    m_frame = std::make_unique<mapory::CMainFrame>();
    ASSERT_TRUE(m_frame->IsComplete());
    // Every load ends before AddLayerFiles returns, however slow the build (sanitizers): the
    // tests see their layers at once. The background path has tests of its own.
    m_frame->LoadBar()->SetPatience(kNoBackground);
    m_frame->resize(m_size);
    m_frame->show();
    ProcessPostedMessages();
  }
  void TearDown() override { m_frame.reset(); }

  static constexpr int kNoBackground = 600000;  // ten minutes

  IZamraView* View() const { return m_frame->View(); }
  void Post(unsigned message, WPARAM wParam, LPARAM lParam)
  {
    PostMessage(m_frame.get(), message, wParam, lParam);
    ProcessPostedMessages();
  }
  void Select(int index) { Post(mapory::WM_LAYER_SELECT, WPARAM(index), 1); }

  AppEnvironment m_environment;
  std::unique_ptr<mapory::CMainFrame> m_frame;

private:
  QSize m_size;
};

}  // namespace zamra_test
