// Loading a workspace-sized XML document: ZMXml (Expat, building the node tree) against Qt's
// QXmlStreamReader building an equivalent tree, on the same UTF-16 bytes in the same run.
// SPDX-License-Identifier: MIT
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QXmlStreamReader>

#include "api/base/xml.h"

namespace {

QByteArray SaveAndRead(const ZMXml& document)
{
  char directory[] = "/tmp/zamra-bench-XXXXXX";
  if (::mkdtemp(directory) == nullptr)
    return {};
  const std::string path = std::string(directory) + "/workspace.xml";
  document.SaveXml(path.c_str());
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  std::remove(directory);
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// 20,000 layer-like elements with six attributes and a text each, as written by ZMXml.
const QByteArray& Document()
{
  static const QByteArray bytes = [] {
    ZMXml document(u"workspace");
    ZMXmlNode* root = document.GetRootNode();
    root->AddAttribute(u"scale", u"100000");
    for (int i = 0; i < 20000; ++i) {
      ZMXmlNode* layer = root->AddChild(u"layer");
      const std::u16string number(std::u16string(u"00000") + char16_t(u'0' + i % 10));
      layer->AddAttribute(u"path", (u"/data/maps/layer_" + number + u".shp").c_str());
      layer->AddAttribute(u"color", u"255,128,0");
      layer->AddAttribute(u"fill", u"0,128,255");
      layer->AddAttribute(u"width", u"2");
      layer->AddAttribute(u"visible", u"1");
      layer->AddAttribute(u"label", u"NAME & <code>");
      layer->SetText(u"\u4E2D\u6587 label text");
    }
    return SaveAndRead(document);
  }();
  return bytes;
}

// The peer's tree: the same information the model keeps.
struct PeerNode {
  std::u16string name;
  std::u16string text;
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  std::vector<std::unique_ptr<PeerNode>> children;
};

std::u16string Copy(QStringView view)
{
  return std::u16string(reinterpret_cast<const char16_t*>(view.utf16()), view.size());
}

void BM_ZMXmlLoad(benchmark::State& state)
{
  const QByteArray& bytes = Document();
  for (auto _ : state) {
    ZMXml document;
    if (!document.LoadXml(bytes.constData(), static_cast<int>(bytes.size())))
      state.SkipWithError("load failed");
    benchmark::DoNotOptimize(document.GetRootNode());
  }
  state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_QXmlStreamReaderTree(benchmark::State& state)
{
  const QByteArray& bytes = Document();
  for (auto _ : state) {
    std::unique_ptr<PeerNode> root;
    std::vector<PeerNode*> open;
    QXmlStreamReader reader(bytes);
    while (!reader.atEnd()) {
      switch (reader.readNext()) {
      case QXmlStreamReader::StartElement: {
        auto node = std::make_unique<PeerNode>();
        node->name = Copy(reader.name());
        for (const QXmlStreamAttribute& attribute : reader.attributes())
          node->attributes.emplace_back(Copy(attribute.name()), Copy(attribute.value()));
        PeerNode* raw = node.get();
        if (open.empty())
          root = std::move(node);
        else
          open.back()->children.push_back(std::move(node));
        open.push_back(raw);
        break;
      }
      case QXmlStreamReader::EndElement:
        open.pop_back();
        break;
      case QXmlStreamReader::Characters:
        if (!open.empty())
          open.back()->text = Copy(reader.text());
        break;
      default:
        break;
      }
    }
    if (reader.hasError() || root == nullptr)
      state.SkipWithError("peer load failed");
    benchmark::DoNotOptimize(root.get());
  }
  state.SetBytesProcessed(state.iterations() * bytes.size());
}

}  // namespace

BENCHMARK(BM_ZMXmlLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QXmlStreamReaderTree)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
