// The view object and its window under the offscreen platform: notifications posted to the
// host, dragging, clicking, the wheel, points of interest, and the viewport operations.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

#include <cmath>  // nan, INFINITY
#include <memory>
#include <vector>

#include "api/base/bitmap.h"
#include "platform/window_message.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"
#include "model/map_model.h"
#include "window/map_view.h"

using namespace zamra::view;

using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

struct Notification {
  WPARAM code;
  LPARAM parameter;
  bool operator==(const Notification& other) const { return code == other.code && parameter == other.parameter; }
};

// A host window that records the view's notifications.
class HostWindow final : public QWidget {
public:
  std::vector<Notification> received;

protected:
  bool event(QEvent* event) override
  {
    if (event->type() == WindowMessageEvent::EventType()) {
      auto* message = static_cast<WindowMessageEvent*>(event);
      if (message->Message() == ZM_VIEW_NOTIFY)
        received.push_back({message->WParam(), message->LParam()});
      return true;
    }
    return QWidget::event(event);
  }
};

class MapViewWindow : public ::testing::Test {
protected:
  void SetUp() override
  {
    m_host.resize(640, 480);
    m_host.show();
    m_view.reset(IZamraView::GetInstance());
    ASSERT_EQ(m_view->Create(nullptr, 0x50000000UL, 0, 0, 0, 600, 400, &m_host, 2001), 1);
    TestShape box{{zamra_test::Square(100, 20, 20)}};
    ASSERT_TRUE(WriteShapefile(m_dir.File("box"), SHPT_POLYGON, {box}));
    ASSERT_NE(m_view->AddLayer(m_dir.File("box.shp").c_str()), nullptr);
    QApplication::processEvents();
    m_host.received.clear();
  }

  QWidget* Window() { return static_cast<CMapView*>(m_view.get())->Window(); }
  std::vector<Notification> Drain()
  {
    QApplication::processEvents();
    std::vector<Notification> result;
    result.swap(m_host.received);
    return result;
  }

  TempDir m_dir;
  HostWindow m_host;
  std::unique_ptr<IZamraView> m_view;
};

}  // namespace

TEST_F(MapViewWindow, ClickWithoutMovingPostsTheClickPoint)
{
  double x0 = 0, y0 = 0;
  m_view->GetCenter(x0, y0);
  QTest::mousePress(Window(), Qt::LeftButton, Qt::NoModifier, QPoint(120, 80));
  QTest::mouseRelease(Window(), Qt::LeftButton, Qt::NoModifier, QPoint(120, 80));
  EXPECT_EQ(Drain(), (std::vector<Notification>{{NOTIFY_CLICK, (80 << 16) | 120}}));
  double x1 = 0, y1 = 0;
  m_view->GetCenter(x1, y1);
  EXPECT_EQ(x1, x0);
  EXPECT_EQ(y1, y0);
}

TEST_F(MapViewWindow, DragRecentresAndRightClickAndWheelFollowInOrder)
{
  double x0 = 0, y0 = 0;
  m_view->GetCenter(x0, y0);
  double expectedX = 0, expectedY = 0;
  m_view->ViewToGeo(300 + 100 - 130, 200 + 100 - 90, expectedX, expectedY);
  QTest::mousePress(Window(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
  EXPECT_TRUE(static_cast<CMapView*>(m_view.get())->IsDragging());
  QTest::mouseMove(Window(), QPoint(130, 90));
  QTest::mouseRelease(Window(), Qt::LeftButton, Qt::NoModifier, QPoint(130, 90));
  EXPECT_FALSE(static_cast<CMapView*>(m_view.get())->IsDragging());
  double x1 = 0, y1 = 0;
  m_view->GetCenter(x1, y1);
  EXPECT_EQ(x1, expectedX);
  EXPECT_EQ(y1, expectedY);

  QTest::mouseClick(Window(), Qt::RightButton, Qt::NoModifier, QPoint(7, 9));
  const double scale = m_view->GetScale();
  QWheelEvent forward(QPointF(50, 50), Window()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(Window(), &forward);
  EXPECT_EQ(m_view->GetScale(), scale / 2);
  EXPECT_EQ(Drain(), (std::vector<Notification>{
                         {NOTIFY_CENTER_CHANGED, 0}, {NOTIFY_RIGHT_CLICK, (9 << 16) | 7}, {NOTIFY_SCALE_CHANGED, 0}}));

  // At the lower limit a further step forward still notifies and keeps the scale.
  m_view->SetScale(100);
  Drain();
  QApplication::sendEvent(Window(), &forward);
  EXPECT_EQ(m_view->GetScale(), 100);
  EXPECT_EQ(Drain(), (std::vector<Notification>{{NOTIFY_SCALE_CHANGED, 0}}));
}

TEST_F(MapViewWindow, PressOnAPointOfInterestSelectsItWithoutDragging)
{
  m_view->SetPoiDC(ZMBitmap::CreateMemDc(48, 24), 2, 24, 24);
  ASSERT_NE(m_view->GetUserPoiLayer(), nullptr);
  double x = 0, y = 0;
  m_view->ViewToGeo(200, 150, x, y);
  m_view->GetUserPoiLayer()->AddPoi(77, "here", 5, x, y, 0);
  QTest::mousePress(Window(), Qt::LeftButton, Qt::NoModifier, QPoint(203, 148));
  EXPECT_FALSE(static_cast<CMapView*>(m_view.get())->IsDragging());
  QTest::mouseRelease(Window(), Qt::LeftButton, Qt::NoModifier, QPoint(203, 148));
  EXPECT_EQ(Drain(), (std::vector<Notification>{{NOTIFY_POI_CLICKED, 77}})) << "no click or drag follows";
}

TEST_F(MapViewWindow, ViewportOperationsAndTheirNotifications)
{
  m_view->SetCenter(130, 30);
  double x = 0, y = 0;
  m_view->GetCenter(x, y);
  EXPECT_EQ(x, 120) << "clamped to the layer's extent";
  EXPECT_EQ(y, 30);
  m_view->SetCenter(std::nan(""), 30);
  m_view->SetCenter(100, INFINITY);
  EXPECT_EQ(Drain(), (std::vector<Notification>{{NOTIFY_CENTER_CHANGED, 0}})) << "refused centres post nothing";
  // West of Greenwich and south of the equator are places like any other, clamped to the extent.
  m_view->SetCenter(-10, -30);
  m_view->GetCenter(x, y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 20);
  EXPECT_EQ(Drain(), (std::vector<Notification>{{NOTIFY_CENTER_CHANGED, 0}}));

  m_view->SetScale(150.9);
  EXPECT_EQ(m_view->GetScale(), 150);
  m_view->SetScale(99.5);
  EXPECT_EQ(m_view->GetScale(), 150);
  m_view->SetScale(-5);
  EXPECT_EQ(m_view->GetScale(), 150);
  EXPECT_EQ(Drain().size(), 3u) << "refused scales notify too";

  m_view->SetView(301, 201);
  int width = 0, height = 0;
  m_view->GetView(width, height);
  EXPECT_EQ(width, 301);
  EXPECT_EQ(static_cast<CMapView*>(m_view.get())->Model()->HalfWidth(), 150);

  // A hidden view (a minimised host) takes its new size at once, down to nothing.
  Window()->hide();
  m_view->SetView(0, 0);
  EXPECT_EQ(static_cast<CMapView*>(m_view.get())->Model()->HalfWidth(), 0);
  m_view->SetView(401, 301);
  EXPECT_EQ(static_cast<CMapView*>(m_view.get())->Model()->HalfWidth(), 200);
  EXPECT_EQ(static_cast<CMapView*>(m_view.get())->Model()->HalfHeight(), 150);
  double gx = 0, gy = 0, cx = 0, cy = 0;
  m_view->GetCenter(cx, cy);
  m_view->ViewToGeo(200, 150, gx, gy);
  EXPECT_EQ(gx, cx) << "the centre pixel of the new size is the centre";
  EXPECT_EQ(gy, cy);
}

TEST_F(MapViewWindow, OnlyVerticalRotationZooms)
{
  const double scale = m_view->GetScale();
  auto wheel = [this](QPoint pixels, QPoint angle) {
    QWheelEvent event(QPointF(50, 50), Window()->mapToGlobal(QPointF(50, 50)), pixels, angle, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Window(), &event);
  };
  wheel(QPoint(), QPoint(120, 0));  // a horizontal wheel
  wheel(QPoint(-40, 0), QPoint());  // a sideways touchpad swipe
  EXPECT_EQ(m_view->GetScale(), scale);
  EXPECT_TRUE(Drain().empty());
  wheel(QPoint(0, 15), QPoint());  // a touchpad that gives pixels only: forward zooms in
  EXPECT_EQ(m_view->GetScale(), scale / 2);
  wheel(QPoint(), QPoint(0, -120));
  EXPECT_EQ(m_view->GetScale(), scale);
}

// Moving over the map must not take the focus: in the program that would activate the map
// window whenever the pointer crossed it.
TEST_F(MapViewWindow, PointerMovesLeaveTheFocusWhereItIs)
{
  QWidget other(&m_host);
  other.setFocusPolicy(Qt::StrongFocus);
  other.show();
  other.setFocus();
  QApplication::processEvents();
  QTest::mouseMove(Window(), QPoint(40, 40));
  QTest::mouseMove(Window(), QPoint(60, 50));
  EXPECT_FALSE(Window()->hasFocus());
}

TEST(MapView, InstancesAreIndependentAndSafeWithoutAWindow)
{
  std::unique_ptr<IZamraView> first(IZamraView::GetInstance());
  std::unique_ptr<IZamraView> second(IZamraView::GetInstance());
  ASSERT_NE(first.get(), second.get());
  // Before Create there is no model: operations answer their failure results.
  EXPECT_EQ(first->AddLayer("/nonexistent.shp"), nullptr);
  EXPECT_EQ(first->GetLayerCount(), 0);
  EXPECT_EQ(first->GetSelectLayer(), -1);
  EXPECT_EQ(first->GetScale(), 0.0);
  first->SetCenter(10, 10);
  first->Refresh();

  QWidget host;
  ASSERT_EQ(second->Create(nullptr, 0, 0, 0, 0, 200, 100, &host, 2001), 1);
  auto* view = static_cast<CMapView*>(second.get());
  view->Model()->Render(nullptr, 0, 0);  // drawn: no longer dirty
  second->Refresh();
  EXPECT_TRUE(view->Model()->IsDirty()) << "a hidden view is marked dirty";
  HDC target = ZMBitmap::CreateMemDc(200, 100);
  second->Draw(target, 0, 0, 200, 100);
  EXPECT_FALSE(view->Model()->IsDirty()) << "drawing redraws";
  DeleteDC(target);
}
