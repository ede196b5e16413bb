// ZMXml, ZMXmlNode, ZMXmlAttribute: a small XML document model with UTF-16 names, values and
// texts, read with Expat and written as a UTF-16 little-endian file with TAB indentation.
//
// Ownership: a document owns its root; a node owns its name, text, children and attributes; an
// attribute owns its name and value. Strings are always copied in. Pointers handed out by the
// getters stay owned by the model and live until the string is replaced or its owner destroyed.
// Nodes and attributes are made only by AddChild/AddAttribute (or by loading) and are never
// deleted by callers. Copying is refused: a copy would share a tree that both would free.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

#include "api/zamra_api_export.h"
#include "platform/win_types.h"

/// One attribute of an XML element: a UTF-16 name and value.
class ZAMRA_API ZMXmlAttribute {
public:
  ZMXmlAttribute() = default;
  virtual ~ZMXmlAttribute();
  ZMXmlAttribute(const ZMXmlAttribute&) = delete;
  ZMXmlAttribute& operator=(const ZMXmlAttribute&) = delete;

  // The owned strings, or null while unset.
  const WCHAR* GetName() const { return m_name; }
  const WCHAR* GetValue() const { return m_value; }

  // Copies the name and the value (each the empty string when unset), with terminators, into
  // the caller's buffers, which must be large enough; a null buffer is skipped.
  void GetValue(WCHAR* nameOut, WCHAR* valueOut) const;

  // Replace the strings with copies (null unsets). When memory runs out the old string stays.
  void SetName(const WCHAR* name);
  void SetValue(const WCHAR* value);
  void SetValue(const WCHAR* name, const WCHAR* value);

  // The next attribute of the same element, or null.
  ZMXmlAttribute* GetNext() const { return m_next; }
  void SetNext(ZMXmlAttribute* next) { m_next = next; }

private:
  friend class ZMXmlNode;  // AddAttribute reports a failed copy

  WCHAR* m_name = nullptr;
  WCHAR* m_value = nullptr;
  ZMXmlAttribute* m_next = nullptr;
};

/// One element of an XML document, with its attributes, text and child elements.
class ZAMRA_API ZMXmlNode {
public:
  ZMXmlNode() = default;
  // Frees the name and text, then all children, then all attributes.
  virtual ~ZMXmlNode();
  ZMXmlNode(const ZMXmlNode&) = delete;
  ZMXmlNode& operator=(const ZMXmlNode&) = delete;

  // The owned tag name and text. GetText() is null when the element has no text, which is
  // not the same as an empty text.
  const WCHAR* GetName() const { return m_name; }
  const WCHAR* GetText() const { return m_text; }
  // Replace with copies of the strings (null unsets). When memory runs out the old one stays.
  void SetName(const WCHAR* name);
  void SetText(const WCHAR* text);

  // Plain member access; the pointers are not owned through these calls.
  ZMXmlNode* GetParent() const { return m_parent; }
  void SetParent(ZMXmlNode* parent) { m_parent = parent; }
  ZMXmlNode* GetNext() const { return m_next; }
  void SetNext(ZMXmlNode* next) { m_next = next; }
  ZMXmlNode* GetChild() const { return m_child; }
  int GetChildCount() const { return m_childCount; }
  ZMXmlAttribute* GetAttribute() const { return m_attribute; }
  int GetAttributeCount() const { return m_attributeCount; }

  // Appends a new child (named `name` when not null) at the end of the child list and
  // answers it; it is owned by this node. Null only when memory runs out.
  ZMXmlNode* AddChild(const WCHAR* name);

  // Appends a new attribute with copies of `name` and `value` (each when not null) and
  // answers it; it is owned by this node. Null only when memory runs out.
  ZMXmlAttribute* AddAttribute(const WCHAR* name, const WCHAR* value);

  // The first node named exactly `name` in this node and its descendants, depth first in
  // document order (this node itself first). `textOut`, when given, is set to the empty
  // string and then receives the found node's text (the caller sizes it). Null when none.
  ZMXmlNode* SearchNodeByTagName(const WCHAR* name, WCHAR* textOut = nullptr) const;

  // The first attribute of this node named exactly `name`. `valueOut`, when given, is set
  // to the empty string and then receives its value (the caller sizes it). Null when none.
  ZMXmlAttribute* SearchAttributeByName(const WCHAR* name, WCHAR* valueOut = nullptr) const;

  // Writes this element and its subtree to the open file handle `fileHandle` at `depth`
  // TABs of indentation, in the document file's form. False when the subtree cannot be
  // written as well-formed XML (a missing or invalid name, a repeated attribute name, a
  // character XML cannot hold) or when the write fails; nothing is written in the first case.
  bool Save(void* fileHandle, int depth) const;

  // Writes a whole UTF-16 document file whose top element is this node: byte-order mark,
  // declaration line, then the subtree. "<", "&", ">", quotation marks and line-break
  // characters in values and texts are written as references, so they read back unchanged.
  // The file is first written beside the target and then put in its place, so a failed save
  // leaves an earlier file untouched. A symbolic link at `path` is followed only when it
  // belongs to the user; one planted by someone else makes the save fail. False when the tree cannot be written as
  // well-formed XML (see Save), the file cannot be created, or a write fails.
  bool SaveXml(const char* path) const;

private:
  friend class ZMXml;  // the loader hands parsed text over without a second copy

  WCHAR* m_name = nullptr;
  WCHAR* m_text = nullptr;
  ZMXmlNode* m_parent = nullptr;
  int m_childCount = 0;
  ZMXmlNode* m_child = nullptr;
  ZMXmlNode* m_next = nullptr;
  ZMXmlAttribute* m_attribute = nullptr;
  int m_attributeCount = 0;
  // Where the last append ended, so that appending stays cheap for long lists; appends still
  // walk on from here to the true end.
  ZMXmlNode* m_lastChild = nullptr;
  ZMXmlAttribute* m_lastAttribute = nullptr;
};

struct ZMXmlParseHandlers;

/// An XML document: parsed from a file or text, edited as a tree of ZMXmlNode, written back.
class ZAMRA_API ZMXml {
public:
  // An empty document.
  ZMXml() = default;
  // A document whose root is a new node named `rootName`; that root is also the parse
  // cursor, so a document loaded afterwards becomes the root's last child.
  explicit ZMXml(const WCHAR* rootName);
  // Destroys the tree.
  virtual ~ZMXml();
  ZMXml(const ZMXml&) = delete;
  ZMXml& operator=(const ZMXml&) = delete;

  // The top node, owned by the document, or null.
  ZMXmlNode* GetRootNode() const { return m_root; }

  // Reads the whole file and parses it (see the buffer form). False when the file cannot
  // be opened or read into memory, or the parse fails.
  bool LoadXml(const char* path);

  // Parses `length` bytes (the byte-order mark or declaration decides the encoding). An
  // element's text is its last run of character data (up to a child element or its end
  // tag), whole: references and line breaks inside the run are part of it. Loading into a document whose earlier load
  // completed replaces the earlier tree. Text with a broken surrogate pair (which the parser lets through) fails the
  // load, so that everything loaded can be saved again. On a parse error the nodes read so far stay and false is
  // answered; the caller should discard the document.
  bool LoadXml(const char* buffer, int length);

  // The parser's callbacks: start of an element with its name and null-terminated
  // name/value pairs, end of an element, a piece of `count` characters (not terminated).
  void OnStartElement(const WCHAR* name, const WCHAR** attributes);
  void OnEndElement(const WCHAR* name);
  void OnParseCharacterData(const WCHAR* characters, int count);

  // The root's search without text out-parameter; null when there is no root.
  ZMXmlNode* SearchNodeByTagName(const WCHAR* name) const;

  // Saves the root as a document file (ZMXmlNode::SaveXml). False without a root.
  bool SaveXml(const char* path) const;

private:
  friend struct ZMXmlParseHandlers;

  ZMXmlNode* m_root = nullptr;
  ZMXmlNode* m_current = nullptr;  // innermost open element while a document is read
  bool m_stopped = false;          // a callback ran out of memory or met broken UTF-16
  bool m_textRunOpen = false;      // the next piece of text continues the current element's text
  size_t m_runLength = 0;          // characters of that text
  size_t m_runCapacity = 0;        // characters its block holds, terminator included
};
