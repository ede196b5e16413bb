// CLayerInfoDialog.
// SPDX-License-Identifier: MIT
#include "layer_info_dialog.h"

#include <string>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "api/formats/shape_type.h"
#include "report_list.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "view_text.h"
#include "platform/win_types.h"
#include "view/idata_view.h"
#include "view/ilayer.h"
#include "view/vector_source.h"

namespace mapory {

namespace {

QString Text(const char* key) { return CResourceTable::Current().DialogText(IDD_LAYER_INFO, QString::fromLatin1(key)); }

// The extent's numbers, four decimals with a point whatever the user's locale.
QString Coordinate(double value) { return QString::asprintf("%.4lf", value); }

}  // namespace

CLayerInfoDialog::CLayerInfoDialog(ILayer* layer, QWidget* parent) : QDialog(parent)
{
  setWindowTitle(Text("title"));
  auto* shape = new QGroupBox(Text("shape"));
  auto* form = new QFormLayout(shape);
  // Rows in the dialog's order; the two extents' maxima have their numbers the other way round.
  for (int control : {1001, 1002, 1003, 1004, 1005, 1007, 1006}) {
    auto* field = new QLineEdit;
    field->setObjectName(QString::number(control));
    field->setReadOnly(true);
    form->addRow(Text(QByteArray::number(control).constData()), field);
  }
  // What the layer was read from: the format, and the coordinate system its numbers were in.
  for (const char* key : {"layer_format", "layer_coordinate_system"}) {
    auto* field = new QLineEdit;
    field->setObjectName(QString::fromLatin1(key));
    field->setReadOnly(true);
    form->addRow(CResourceTable::Current().Text(QString::fromLatin1(key)), field);
  }
  auto* properties = new QGroupBox(Text("properties"));
  m_columns = MakeReportList(properties, 1000, {{Text("field"), 100}, {Text("type"), 100}});
  auto* propertiesLayout = new QVBoxLayout(properties);
  propertiesLayout->addWidget(m_columns);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setText(Text("1"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(shape);
  layout->addWidget(properties, 1);
  layout->addWidget(buttons);
  resize(320, 460);
  if (layer != nullptr)
    ShowLayer(layer);
}

QLineEdit* CLayerInfoDialog::Field(int controlId) const { return findChild<QLineEdit*>(QString::number(controlId)); }

QString CLayerInfoDialog::TypeText(char type, int width)
{
  switch (type) {
  case ZM_VAR_INT:
    return Text("int");
  case ZM_VAR_FLOAT:
    return Text("float");
  case ZM_VAR_STRING:
    return Text("char").replace(QStringLiteral("%d"), QString::number(width));
  default:
    return Text("other");
  }
}

void CLayerInfoDialog::ShowLayer(ILayer* layer)
{
  char name[MAX_PATH] = {};
  layer->GetName(name);
  Field(1001)->setText(FromFileName(name));
  const int type = layer->GetType();
  Field(1002)->setText(Text(type == ZM_LAYER_POINT      ? "point"
                            : type == ZM_LAYER_POLYLINE ? "polyline"
                            : type == ZM_LAYER_POLYGON  ? "polygon"
                                                        : "unknown"));
  IDataView* table = layer->GetDataView();
  Field(1003)->setText(QString::number(table != nullptr ? table->GetRowCount() : 0));
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  layer->GetRect(&minX, &minY, &maxX, &maxY);
  Field(1004)->setText(Coordinate(minX));
  Field(1005)->setText(Coordinate(minY));
  Field(1007)->setText(Coordinate(maxX));
  Field(1006)->setText(Coordinate(maxY));
  std::string format, system;
  if (ZamraVectorSource::DescribeLayer(layer, format, system)) {
    findChild<QLineEdit*>(QStringLiteral("layer_format"))->setText(QString::fromStdString(format));
    findChild<QLineEdit*>(QStringLiteral("layer_coordinate_system"))
        ->setText(system.empty() ? CResourceTable::Current().Text(QStringLiteral("layer_no_coordinate_system"))
                                 : QString::fromStdString(system));
  }
  if (table == nullptr)
    return;
  for (int column = 0; column < table->GetColumnCount(); ++column) {
    const ColumnInfo info = ReadColumn(*table, column);
    m_columns->insertRow(column);
    m_columns->setItem(column, 0, new QTableWidgetItem(info.name));
    m_columns->setItem(column, 1, new QTableWidgetItem(TypeText(info.type, info.width)));
  }
}

}  // namespace mapory
