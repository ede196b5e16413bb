// LayerProjection: reading a layer's .prj with PROJ and transforming its points to WGS 84
// longitude/latitude.
// SPDX-License-Identifier: MIT
#include "coordinates/layer_projection.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "coordinates/proj_library.h"
#include "shape_core/companion_files.h"
#include "shape_core/file_block.h"
#include "shape_core/record_index.h"

namespace zamra::view {

namespace {

struct PjDeleter {
  void operator()(PJ* object) const { OpenProjLibrary()->destroy(object); }
};
using PjPtr = std::unique_ptr<PJ, PjDeleter>;

struct ContextDeleter {
  void operator()(PJ_CONTEXT* context) const { OpenProjLibrary()->context_destroy(context); }
};
using ContextPtr = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;

// Each thread's own context, kept for the thread's life (opening PROJ's database for every
// layer would cost more than most .prj files take to read): PROJ objects are not shared between
// threads, datum grids are never fetched from the network (loading a layer must not wait on
// it), and PROJ's messages stay off the programs' output.
PJ_CONTEXT* ThreadContext()
{
  thread_local ContextPtr context = [] {
    const ProjLibrary* proj = OpenProjLibrary();
    ContextPtr made(proj != nullptr ? proj->context_create() : nullptr);
    if (made) {
      proj->context_set_enable_network(made.get(), 0);
      proj->log_level(made.get(), PJ_LOG_NONE);
    }
    return made;
  }();
  return context.get();
}

bool IsGeographic(PJ_TYPE type)
{
  return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS || type == PJ_TYPE_GEOGRAPHIC_CRS;
}

// Text as .prj writers leave it: a byte-order mark, a trailing line break or NUL padding.
std::string TrimPrjText(std::string text)
{
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB &&
      static_cast<unsigned char>(text[2]) == 0xBF)
    text.erase(0, 3);
  const size_t end = text.find_last_not_of(std::string(" \t\r\n\0", 5));
  text.erase(end == std::string::npos ? 0 : end + 1);
  const size_t begin = text.find_first_not_of(" \t\r\n");
  text.erase(0, begin == std::string::npos ? text.size() : begin);
  return text;
}

// Whether text has the shape of WKT (a keyword and a bracket). PROJ would also take names, codes
// and its own strings, and looks free text up in its database, which is slow and not what a
// .prj holds.
bool LooksLikeWkt(const std::string& text)
{
  size_t keyword = 0;
  while (keyword < text.size() && (std::isalpha(static_cast<unsigned char>(text[keyword])) || text[keyword] == '_'))
    ++keyword;
  return keyword > 0 && keyword < text.size() && (text[keyword] == '[' || text[keyword] == '(');
}

}  // namespace

// A transformation made in one thread's context, used and destroyed in that thread.
struct LayerProjection::Transformer {
  PJ_CONTEXT* context = nullptr;  // the thread's; not owned
  PjPtr operation;

  // Reads `wkt` and, unless it is WGS 84 longitude/latitude already, makes the transformation
  // to it. The verdict and the system's name go to the pointers that are not null.
  bool Prepare(const std::string& wkt, LayerCoordinates* verdict, std::string* name)
  {
    LayerCoordinates outcome = LayerCoordinates::UnreadablePrj;
    operation.reset();
    context = ThreadContext();
    if (context != nullptr && wkt.find('\0') == std::string::npos && LooksLikeWkt(wkt)) {
      PJ_CONTEXT* ctx = context;
      const ProjLibrary& proj = *OpenProjLibrary();  // there since the context is
      PjPtr source(proj.create(ctx, wkt.c_str()));
      if (source && proj.is_crs(source.get())) {
        if (name != nullptr && proj.get_name(source.get()) != nullptr)
          *name = proj.get_name(source.get());
        // A compound system (heights besides) is transformed by its horizontal half; one bound
        // to WGS 84 by datum-shift parameters is compared by the system it binds.
        PjPtr horizontal(
            proj.get_type(source.get()) == PJ_TYPE_COMPOUND_CRS ? proj.crs_get_sub_crs(ctx, source.get(), 0) : nullptr);
        PJ* crs = horizontal ? horizontal.get() : source.get();
        PjPtr bound(proj.get_type(crs) == PJ_TYPE_BOUND_CRS ? proj.get_source_crs(ctx, crs) : nullptr);
        PJ* compared = bound ? bound.get() : crs;
        PjPtr wgs84(proj.create(ctx, "EPSG:4326"));
        if (wgs84 && IsGeographic(proj.get_type(compared)) &&
            proj.is_equivalent_to_with_ctx(ctx, compared, wgs84.get(), PJ_COMP_EQUIVALENT_EXCEPT_AXIS_ORDER_GEOGCRS)) {
          outcome = LayerCoordinates::LongitudeLatitude;
        } else if (wgs84 && proj.as_proj_string(ctx, compared, PJ_PROJ_5, nullptr) != nullptr) {
          // A system PROJ cannot write as a PROJ string (an "Unknown projection") has no
          // formulas: an operation to it is still made, but would fail on every point.
          PjPtr raw(proj.create_crs_to_crs_from_pj(ctx, crs, wgs84.get(), nullptr, nullptr));
          // Shapefiles store easting (or longitude) first, and the map wants longitude first.
          if (raw)
            operation.reset(proj.normalize_for_visualization(ctx, raw.get()));
          if (operation)
            outcome = LayerCoordinates::Transformed;
        }
      }
    }
    if (verdict != nullptr)
      *verdict = outcome;
    return operation != nullptr;
  }

  void Run(ST_POINT* points, std::int64_t count) const
  {
    if (count <= 0)
      return;
    OpenProjLibrary()->trans_generic(operation.get(), PJ_FWD, &points->x, sizeof(ST_POINT), static_cast<size_t>(count),
                                     &points->y, sizeof(ST_POINT), static_cast<size_t>(count), nullptr, 0, 0, nullptr,
                                     0, 0);
  }
};

LayerProjection::LayerProjection() = default;

LayerProjection::~LayerProjection() = default;

void LayerProjection::ReadPrjBeside(const char* shpPath)
{
  m_wkt.clear();
  m_systemName.clear();
  m_transformer.reset();
  m_coordinates = LayerCoordinates::NoPrj;
  const std::string prjPath = shpPath != nullptr ? zamra::shape::CompanionPath(shpPath, ".prj") : std::string();
  if (prjPath.empty())
    return;
  FileBytes bytes;
  if (!ReadWholeFile(prjPath.c_str(), bytes))
    return;  // none there (or none that can be read): the numbers are what they are
  if (bytes.size > kMaxPrjBytes || bytes.size == 0) {
    m_coordinates = LayerCoordinates::UnreadablePrj;
    return;
  }
  ReadWkt(std::string(reinterpret_cast<const char*>(bytes.data.get()), static_cast<size_t>(bytes.size)));
}

void LayerProjection::ReadPrjText(const std::string* text)
{
  m_wkt.clear();
  m_systemName.clear();
  m_transformer.reset();
  m_coordinates = LayerCoordinates::NoPrj;
  if (text == nullptr)
    return;
  if (static_cast<std::int64_t>(text->size()) > kMaxPrjBytes || text->empty()) {
    m_coordinates = LayerCoordinates::UnreadablePrj;
    return;
  }
  ReadWkt(*text);
}

void LayerProjection::ReadWkt(const std::string& wkt)
{
  m_systemName.clear();
  m_transformer.reset();
  m_coordinates = LayerCoordinates::UnreadablePrj;
  try {
    m_wkt = TrimPrjText(wkt);
    auto transformer = std::make_unique<Transformer>();
    if (!m_wkt.empty() && transformer->Prepare(m_wkt, &m_coordinates, &m_systemName))
      m_transformer = std::move(transformer);
  } catch (const std::bad_alloc&) {
    m_coordinates = LayerCoordinates::UnreadablePrj;
  }
}

bool LayerProjection::Transform(ST_POINT* points, std::int64_t count) const
{
  if (!m_transformer || count < 0 || (points == nullptr && count > 0))
    return false;
  constexpr unsigned kMaxThreads = 8;
  unsigned threads = 1;
  if (count >= kParallelPoints)
    threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
  // Chunk 0 is the calling thread's; each other chunk gets a thread with its own context. A
  // chunk whose thread could not start or set up its transformation is done here afterwards.
  struct Chunk {
    ST_POINT* first = nullptr;
    std::int64_t count = 0;
    bool done = false;
  };
  std::array<Chunk, kMaxThreads> chunks;
  const std::int64_t share = (count + threads - 1) / threads;
  for (unsigned i = 0; i < threads; ++i) {
    const std::int64_t begin = std::min<std::int64_t>(count, share * i);
    chunks[i].first = points + begin;
    chunks[i].count = std::min<std::int64_t>(count, begin + share) - begin;
  }
  std::vector<std::thread> workers;
  try {
    workers.reserve(threads);
    for (unsigned i = 1; i < threads; ++i) {
      Chunk* chunk = &chunks[i];
      workers.emplace_back([this, chunk] {
        try {
          Transformer own;
          if (own.Prepare(m_wkt, nullptr, nullptr)) {
            own.Run(chunk->first, chunk->count);
            chunk->done = true;
          }
        } catch (...) {
          // left undone: the calling thread takes it over
        }
      });
    }
  } catch (const std::bad_alloc&) {
    // fewer threads than asked for
  } catch (const std::system_error&) {
  }
  m_transformer->Run(chunks[0].first, chunks[0].count);
  for (std::thread& worker : workers)
    worker.join();
  for (unsigned i = 1; i < threads; ++i) {
    if (!chunks[i].done)
      m_transformer->Run(chunks[i].first, chunks[i].count);
  }
  return true;
}

namespace {

void Widen(ST_RECT& box, const ST_RECT& other)
{
  box.left = std::min(box.left, other.left);
  box.right = std::max(box.right, other.right);
  box.bottom = std::min(box.bottom, other.bottom);
  box.top = std::max(box.top, other.top);
}

}  // namespace

template <typename Multi>
int ProjectPartRecords(const LayerProjection& projection, Multi* records, int recordCount, ST_POINT* points,
                       std::int64_t pointCount)
{
  if (!projection.Transform(points, pointCount))
    return -1;
  int dropped = 0;
  ST_RECT all{};
  bool any = false;
  for (int record = 0; record < recordCount; ++record) {
    Multi& multi = records[record];
    bool usable = true;
    for (int part = 0; part < multi.partCount && usable; ++part) {
      const auto& ring = multi.parts[part];
      for (std::int32_t i = 0; i < ring.pointCount && usable; ++i)
        usable = IsTransformedPoint(ring.points[i]);
    }
    if (!usable) {
      // Outside the system's domain: kept in its place as a null shape. Its points stay in the
      // block (nothing reaches them through the record) but are made finite, for safety.
      for (int part = 0; part < multi.partCount; ++part)
        std::fill_n(multi.parts[part].points, multi.parts[part].pointCount, ST_POINT());
      multi.parts = nullptr;
      multi.partCount = 0;
      ++dropped;
      continue;
    }
    if (multi.partCount == 0)
      continue;  // a null shape: its box comes at the end
    // The boxes the file gave are in its own units: rebuilt from the new points.
    for (int part = 0; part < multi.partCount; ++part) {
      auto& ring = multi.parts[part];
      ring.envelop = ST_RECT{};
      zamra::shape::BoxOfPoints(ring.points, ring.pointCount, ring.envelop);
      if (part == 0)
        multi.envelop = ring.envelop;
      else
        Widen(multi.envelop, ring.envelop);
    }
    if (!any)
      all = multi.envelop;
    else
      Widen(all, multi.envelop);
    any = true;
  }
  for (int record = 0; record < recordCount; ++record) {
    if (records[record].partCount == 0)
      records[record].envelop = all;
  }
  return dropped;
}

template int ProjectPartRecords<ST_MPOLYLINE>(const LayerProjection&, ST_MPOLYLINE*, int, ST_POINT*, std::int64_t);
template int ProjectPartRecords<ST_MPOLYGON>(const LayerProjection&, ST_MPOLYGON*, int, ST_POINT*, std::int64_t);

}  // namespace zamra::view
