// ZMPolyline and ZMPolygon: the same editing behaviour on their two record layouts.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "api/formats/point.h"
#include "api/formats/polygon.h"
#include "api/formats/polyline.h"
#include "support/address_space.h"

namespace {

struct PolylineKind {
  using Editor = ZMPolyline;
  using Multi = ST_MPOLYLINE;
  using Part = ST_POLYLINE;
  static Multi* New() { return ZMPolyline::NewMPolyline(); }
  static void AddPart(Multi* m) { ZMPolyline::AddPolyline(m); }
  static void Clear(Multi* m) { ZMPolyline::ClearPolyline(m); }
  static void Clear(Part* p) { ZMPolyline::ClearPolyline(p); }
};

struct PolygonKind {
  using Editor = ZMPolygon;
  using Multi = ST_MPOLYGON;
  using Part = ST_POLYGON;
  static Multi* New() { return ZMPolygon::NewMPolygon(); }
  static void AddPart(Multi* m) { ZMPolygon::AddPolygon(m); }
  static void Clear(Multi* m) { ZMPolygon::ClearPolygon(m); }
  static void Clear(Part* p) { ZMPolygon::ClearPolygon(p); }
};

template <typename Kind>
class MultiPartEditing : public ::testing::Test {
protected:
  using E = typename Kind::Editor;
  using Multi = typename Kind::Multi;

  // A record with `parts` parts; part i holds points (10 i + j, j) for j < counts[i].
  std::unique_ptr<Multi> Make(std::initializer_list<int> counts)
  {
    std::unique_ptr<Multi> record(Kind::New());
    int i = 0;
    for (int count : counts) {
      Kind::AddPart(record.get());
      for (int j = 0; j < count; ++j) {
        const ST_POINT point{10.0 * i + j, static_cast<double>(j)};
        E::AddPoint(record.get(), &point, -1, -1);
      }
      ++i;
    }
    return record;
  }
};

using Kinds = ::testing::Types<PolylineKind, PolygonKind>;
TYPED_TEST_SUITE(MultiPartEditing, Kinds);

TYPED_TEST(MultiPartEditing, BoxesFollowTheDocumentedRules)
{
  using E = typename TypeParam::Editor;
  std::unique_ptr<typename TypeParam::Multi> record(TypeParam::New());
  EXPECT_EQ(record->partCount, 0);
  TypeParam::AddPart(record.get());
  ASSERT_EQ(record->partCount, 1);
  EXPECT_EQ(record->parts[0].pointCount, 0);
  EXPECT_EQ(record->envelop.right, 0) << "an empty part keeps the zero box";

  const ST_POINT a{1, 1}, b{3, 2};
  E::AddPoint(record.get(), &a, -1, -1);
  E::AddPoint(record.get(), &b, -1, -1);
  EXPECT_EQ(record->parts[0].pointCount, 2);
  for (const ST_RECT& box : {record->parts[0].envelop, record->envelop}) {
    EXPECT_EQ(box.left, 1);
    EXPECT_EQ(box.right, 3);
    EXPECT_EQ(box.top, 2);
    EXPECT_EQ(box.bottom, 1);
  }

  // A second, empty part brings the zero box into the union until it gets points.
  TypeParam::AddPart(record.get());
  EXPECT_EQ(record->envelop.left, 0);
  EXPECT_EQ(record->envelop.bottom, 0);

  // Clearing keeps the box, and so does recomputing a record without parts.
  const ST_RECT before = record->envelop;
  TypeParam::Clear(record.get());
  EXPECT_EQ(record->partCount, 0);
  EXPECT_EQ(record->parts, nullptr);
  E::UpdateEnvelop(record.get());
  EXPECT_EQ(record->envelop.right, before.right);
}

TYPED_TEST(MultiPartEditing, InsertDeleteAndUpdatePoints)
{
  using E = typename TypeParam::Editor;
  auto record = this->Make({2});
  auto& part = record->parts[0];  // A(0,0) B(1,1)
  const ST_POINT p{-5, -5};
  E::AddPoint(&part, &p, 0);
  EXPECT_EQ(part.points[0].x, -5);
  E::DelPoint(&part, 0);
  E::AddPoint(&part, &p, 1);
  EXPECT_EQ(part.points[1].x, -5);
  EXPECT_EQ(part.points[2].x, 1);
  E::DelPoint(&part, 1);
  E::AddPoint(&part, &p, -1);
  EXPECT_EQ(part.pointCount, 3);
  EXPECT_EQ(part.points[2].x, -5);
  E::AddPoint(&part, &p, 7);
  EXPECT_EQ(part.pointCount, 3) << "an index beyond the count changes nothing";

  const ST_RECT box = part.envelop;
  E::DelPoint(&part, -1);
  EXPECT_EQ(part.pointCount, 2);
  E::DelPoint(&part, 3);
  EXPECT_EQ(part.pointCount, 2);
  EXPECT_EQ(part.envelop.left, box.left) << "the single-part forms keep the box";

  const ST_POINT q{100, 100};
  E::UpdatePoint(&part, &q, -1);
  EXPECT_EQ(part.points[1].x, 100);
  EXPECT_EQ(part.envelop.right, box.right);
  E::UpdatePoint(record.get(), &q, -1, 0);
  EXPECT_EQ(record->envelop.right, 100) << "the record form recomputes the boxes";

  TypeParam::Clear(&part);
  EXPECT_EQ(part.pointCount, 0);
  E::DelPoint(&part, -1);
  EXPECT_EQ(part.pointCount, 0) << "deleting from an empty part changes nothing";
}

TYPED_TEST(MultiPartEditing, PartsAreAddressedAndRemoved)
{
  using E = typename TypeParam::Editor;
  auto record = this->Make({1, 2, 3});  // A, B, C by point count
  EXPECT_EQ(E::GetPointCount(record.get(), 2), 3);
  EXPECT_EQ(E::GetPointCount(record.get(), 5), -1);
  EXPECT_EQ(E::GetPointCount(record.get(), -1), -1);
  EXPECT_EQ(E::GetNode(record.get(), 5, 0), nullptr);
  EXPECT_EQ(E::GetNode(record.get(), 1, 2), nullptr) << "index equal to the count";
  ASSERT_NE(E::GetNode(record.get(), 1, 1), nullptr);
  EXPECT_EQ(E::GetNode(record.get(), 1, 1)->x, 11);

  E::DelPart(record.get(), 1);
  ASSERT_EQ(record->partCount, 2);
  EXPECT_EQ(record->parts[1].pointCount, 3) << "A, C";
  auto again = this->Make({1, 2, 3});
  E::DelPart(again.get(), 7);
  EXPECT_EQ(again->parts[again->partCount - 1].pointCount, 2) << "beyond the count: the last goes";
  E::DelPart(again.get(), -4);
  EXPECT_EQ(again->parts[0].pointCount, 2) << "negative: the first goes";

  E::DelPoint(again.get(), 9, 0);
  EXPECT_EQ(again->parts[0].pointCount, 2) << "a part beyond the count changes nothing";
  E::DelPoint(again.get(), -3, 0);
  EXPECT_EQ(again->parts[0].pointCount, 1) << "a negative part means the last";
}

TYPED_TEST(MultiPartEditing, NearestVertexTiesGoToTheFirst)
{
  using E = typename TypeParam::Editor;
  std::unique_ptr<typename TypeParam::Multi> record(TypeParam::New());
  TypeParam::AddPart(record.get());
  TypeParam::AddPart(record.get());
  const ST_POINT p0{0, 0}, p1{4, 4}, p2{10, 0}, q0{10, 10};
  for (const ST_POINT* p : {&p0, &p1, &p2})
    E::AddPoint(record.get(), p, 0, -1);
  E::AddPoint(record.get(), &q0, 1, -1);
  const ST_POINT query{10, 5};  // 5 from part 0 point 2 and from part 1 point 0
  int part = -9, index = -9;
  E::GetNearPoint(record.get(), &query, part, index);
  EXPECT_EQ(part, 0);
  EXPECT_EQ(index, 2);

  std::unique_ptr<typename TypeParam::Multi> empty(TypeParam::New());
  part = index = 42;
  E::GetNearPoint(empty.get(), &query, part, index);
  EXPECT_EQ(part, 42) << "no points: results unchanged";
}

TYPED_TEST(MultiPartEditing, CopiesAreDeep)
{
  using E = typename TypeParam::Editor;
  auto source = this->Make({3, 2});
  std::unique_ptr<typename TypeParam::Multi> copy(TypeParam::New());
  E::CopyTo(copy.get(), source.get());
  ASSERT_EQ(copy->partCount, 2);
  EXPECT_NE(copy->parts[0].points, source->parts[0].points);
  const ST_POINT moved{99, 99};
  E::UpdatePoint(copy.get(), &moved, 0, 0);
  EXPECT_EQ(source->parts[0].points[0].x, 0);
  EXPECT_EQ(source->envelop.right, 11);
  EXPECT_EQ(copy->envelop.right, 99);
}

TYPED_TEST(MultiPartEditing, ARecordCopiedOntoItselfStaysAsItIs)
{
  using E = typename TypeParam::Editor;
  auto record = this->Make({3, 2});
  const auto* parts = record->parts;
  E::CopyTo(record.get(), record.get());
  ASSERT_EQ(record->partCount, 2);
  EXPECT_EQ(record->parts, parts);
  ASSERT_EQ(record->parts[1].pointCount, 2);
  EXPECT_EQ(record->parts[1].points[1].x, 11);
  EXPECT_EQ(record->envelop.right, 11);
}

TYPED_TEST(MultiPartEditing, APartCopiedOntoItselfStaysAsItIs)
{
  using E = typename TypeParam::Editor;
  auto record = this->Make({3});
  auto& part = record->parts[0];
  const ST_POINT* points = part.points;
  E::CopyTo(&part, &part);
  ASSERT_EQ(part.pointCount, 3);
  EXPECT_EQ(part.points, points);
  EXPECT_EQ(part.points[2].x, 2);
}

// A part whose points memory cannot hold is not copied, and the target keeps its own points
// rather than a count without them.
TYPED_TEST(MultiPartEditing, APartCopyMemoryCannotHoldLeavesTheTargetAsItWas)
{
  if (zamra_test::kAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
  using E = typename TypeParam::Editor;
  auto target = this->Make({3});
  auto source = this->Make({1});
  auto& huge = source->parts[0];
  // 4 GB of points claimed; the count is never followed, as the allocation comes first.
  huge.pointCount = 1 << 28;
  {
    zamra_test::AddressSpaceLimit limit(std::int64_t{64} << 20);
    ASSERT_TRUE(limit.Limited());
    E::CopyTo(&target->parts[0], &huge);
  }
  huge.pointCount = 1;
  ASSERT_EQ(target->parts[0].pointCount, 3);
  ASSERT_NE(target->parts[0].points, nullptr);
  EXPECT_EQ(target->parts[0].points[2].x, 2);
}

}  // namespace

TEST(ZMPoint, NewCopyAndLength)
{
  std::unique_ptr<ST_POINT> point(ZMPoint::NewPoint());
  EXPECT_EQ(point->x, 0);
  const ST_POINT source{3, 4};
  ZMPoint::CopyTo(point.get(), &source);
  const ST_POINT origin;
  EXPECT_EQ(ZMPoint::GetLen(point.get(), &origin), 5.0);
}
