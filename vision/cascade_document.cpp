#include "vision/cascade_document.h"

#include "vision/cascade_numbers.h"
#include "vision/diagnostics.h"
#include "vision/stage_links.h"
#include "vision/xml_nesting.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <tinyxml.h>

namespace {

// A failure is the reason the file is refused, naming where in the cascade it lies; the empty
// text means success.
using Failure = std::string;

Failure at(const char* where, const Failure& failure)
{
    return failure.empty() ? failure : where + (" " + failure);
}

// The item's place is spelt out only for a failure: a cascade has thousands of items.
Failure at(const char* kind, int index, const Failure& failure)
{
    return failure.empty() ? failure : at(kind, std::to_string(index) + " " + failure);
}

// Items (stages, trees, nodes, rectangles) are found by position, never by name: the first child
// element and the elements after it. Comments between items are not items.
const TiXmlElement* firstItem(const TiXmlElement* parent)
{
    return parent ? parent->FirstChildElement() : nullptr;
}

int countItems(const TiXmlElement* parent)
{
    int count = 0;
    for (const TiXmlElement* item = firstItem(parent); item; item = item->NextSiblingElement())
        ++count;
    return count;
}

// The text of the child element `name`; null when the element is missing or has no text.
const char* childText(const TiXmlElement& parent, const char* name)
{
    const TiXmlElement* child = parent.FirstChildElement(name);
    return child ? child->GetText() : nullptr;
}

Failure readIntChild(const TiXmlElement& parent, const char* name, int& value)
{
    const char* text = childText(parent, name);
    if (!text)
        return std::string("has no ") + name;
    NumberCursor cursor = numberCursor(text);
    return readInt(cursor, value) ? Failure() : std::string(name) + " is not a 32-bit integer";
}

Failure readFloatChild(const TiXmlElement& parent, const char* name, float& value)
{
    const char* text = childText(parent, name);
    if (!text)
        return std::string("has no ") + name;
    NumberCursor cursor = numberCursor(text);
    return readFloat(cursor, value) ? Failure() : std::string(name) + " is not a real number";
}

Failure readRect(const char* text, HaarRect& rect)
{
    if (!text)
        return "is empty";
    NumberCursor cursor = numberCursor(text);
    bool read = readInt(cursor, rect.x) && readInt(cursor, rect.y) && readInt(cursor, rect.width) &&
                readInt(cursor, rect.height) && readFloat(cursor, rect.weight);
    return read ? Failure() : "is not four integers and a weight";
}

// The rectangles (at most three; those not given stay all zero) and the tilt of one node.
Failure readFeature(const TiXmlElement& node, HaarFeature& feature)
{
    const TiXmlElement* element = node.FirstChildElement("feature");
    if (!element)
        return "has no feature";
    const TiXmlElement* rects = element->FirstChildElement("rects");
    int rectCount = countItems(rects);
    if (rectCount == 0)
        return "has no rectangles";
    if (rectCount > 3)
        return "has " + std::to_string(rectCount) + " rectangles";
    int r = 0;
    for (const TiXmlElement* item = firstItem(rects); item;
         item = item->NextSiblingElement(), ++r) {
        Failure failure = at("rectangle", r, readRect(item->GetText(), feature.rects[r]));
        if (!failure.empty())
            return failure;
    }
    int tilted = 0;
    if (Failure failure = readIntChild(*element, "tilted", tilted); !failure.empty())
        return failure;
    if (tilted != 0)
        diagnostics() << "tilted text is " << childText(*element, "tilted");
    feature.tilted = tilted != 0 ? 1 : 0;
    return {};
}

// One side of node k: a link to another node when the file names one, else a new leaf value,
// numbered in reading order across the whole tree.
Failure readLink(const TiXmlElement& node, const char* nodeName, const char* valueName, int& link,
                 HaarTree& tree, int& leaves)
{
    if (node.FirstChildElement(nodeName))
        return readIntChild(node, nodeName, link);
    if (leaves == HaarTree::maxLeaves)
        return "has more than " + std::to_string(HaarTree::maxLeaves) + " leaf values";
    if (Failure failure = readFloatChild(node, valueName, tree.alpha[leaves]); !failure.empty())
        return failure;
    link = -leaves;
    ++leaves;
    return {};
}

Failure readNode(const TiXmlElement& node, int k, HaarTree& tree, int& leaves)
{
    if (Failure failure = readFeature(node, tree.features[k]); !failure.empty())
        return failure;
    if (Failure failure = readFloatChild(node, "threshold", tree.thresholds[k]); !failure.empty())
        return failure;
    if (Failure failure = readLink(node, "left_node", "left_val", tree.left[k], tree, leaves);
        !failure.empty())
        return failure;
    return readLink(node, "right_node", "right_val", tree.right[k], tree, leaves);
}

// Evaluation follows links until it reaches a leaf: a node may only lead to a later node of its
// tree (so the walk ends) and a leaf must have been read.
Failure checkLinks(const HaarTree& tree, int leaves)
{
    for (int k = 0; k < tree.count; ++k) {
        for (int link : {tree.left[k], tree.right[k]}) {
            if (link > 0 && (link <= k || link >= tree.count))
                return "node " + std::to_string(k) + " links to node " + std::to_string(link) +
                       " of a tree with " + std::to_string(tree.count) + " nodes";
            if (link <= 0 && -link >= leaves)
                return "node " + std::to_string(k) + " links to leaf " + std::to_string(-link) +
                       " of a tree with " + std::to_string(leaves) + " leaf values";
        }
    }
    return {};
}

Failure readTree(const TiXmlElement& item, HaarTree& tree)
{
    int nodeCount = countItems(&item);
    if (nodeCount == 0)
        return "has no nodes";
    if (nodeCount > HaarTree::maxNodes)
        return "has " + std::to_string(nodeCount) + " nodes";
    int k = 0;
    int leaves = 0;
    for (const TiXmlElement* node = firstItem(&item); node;
         node = node->NextSiblingElement(), ++k) {
        if (Failure failure = at("node", k, readNode(*node, k, tree, leaves)); !failure.empty())
            return failure;
    }
    tree.count = k;
    return checkLinks(tree, leaves);
}

Failure readStageLink(const TiXmlElement& item, const char* name, int stageCount, int& link)
{
    if (Failure failure = readIntChild(item, name, link); !failure.empty())
        return failure;
    if (link < -1 || link >= stageCount)
        return "has " + std::string(name) + " " + std::to_string(link) + " outside -1 to " +
               std::to_string(stageCount - 1);
    return {};
}

Failure readStage(const TiXmlElement& item, int i, HaarCascade& cascade)
{
    diagnostics() << "Stage" << std::endl;
    HaarStage& stage = cascade.stages[i];
    const TiXmlElement* trees = item.FirstChildElement("trees");
    if (!trees)
        return "has no trees";
    int treeCount = countItems(trees);
    if (treeCount == 0)
        return "has no tree items";
    stage.trees.resize(treeCount);
    stage.count = treeCount;
    int j = 0;
    for (const TiXmlElement* tree = firstItem(trees); tree;
         tree = tree->NextSiblingElement(), ++j) {
        if (Failure failure = at("tree", j, readTree(*tree, stage.trees[j])); !failure.empty())
            return failure;
    }
    if (Failure failure = readFloatChild(item, "stage_threshold", stage.threshold);
        !failure.empty())
        return failure;
    if (Failure failure = readStageLink(item, "parent", cascade.count, stage.parent);
        !failure.empty())
        return failure;
    if (Failure failure = readStageLink(item, "next", cascade.count, stage.next); !failure.empty())
        return failure;
    stage.child = -1;
    // A stage becomes the child of a parent read before it that has no child yet: the first such
    // stage in file order wins.
    if (stage.parent != -1 && cascade.stages[stage.parent].child == -1)
        cascade.stages[stage.parent].child = i;
    return {};
}

Failure readWindowSize(const TiXmlElement& element, WindowSize& size)
{
    const char* text = childText(element, "size");
    if (!text)
        return "has no size";
    diagnostics() << "size is " << text << "\n";
    NumberCursor cursor = numberCursor(text);
    if (!readInt(cursor, size.width) || !readInt(cursor, size.height))
        return "size is not two integers";
    // The detector works with the window's area in 32-bit integers.
    if (size.width < 1 || size.height < 1 || size.width > INT_MAX / size.height)
        return "size " + std::to_string(size.width) + " x " + std::to_string(size.height) +
               " is not a usable window";
    return {};
}

// Fills the cascade; a failure leaves it partly filled, and the caller drops it.
Failure readCascade(const TiXmlElement& element, const TiXmlElement& stages, HaarCascade& cascade)
{
    if (Failure failure = at("cascade", readWindowSize(element, cascade.origWindowSize));
        !failure.empty())
        return failure;
    int i = 0;
    for (const TiXmlElement* item = firstItem(&stages); item;
         item = item->NextSiblingElement(), ++i) {
        if (Failure failure = at("stage", i, readStage(*item, i, cascade)); !failure.empty())
            return failure;
    }
    int loopStage = findStageLoop(cascade);
    if (loopStage >= 0)
        return "the stage links loop back to stage " + std::to_string(loopStage);
    return {};
}

// The file from its first byte to its end, or to one byte past maxCascadeFileBytes: the loader
// measured the file before, but a file that grows while it is read must not be read for ever.
std::string readWhole(std::FILE* file)
{
    std::string bytes;
    // Room for the whole file at once: growing by steps copies and touches twice the memory.
    struct stat status;
    if (fstat(fileno(file), &status) == 0 && status.st_size > 0 &&
        std::uint64_t(status.st_size) <= maxCascadeFileBytes)
        bytes.reserve(std::size_t(status.st_size));
    std::rewind(file);
    char chunk[1 << 16];
    for (std::size_t read; bytes.size() <= maxCascadeFileBytes &&
                           (read = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.append(chunk, read);
    return bytes;
}

// The file's length as the parser's file loading measures it: 0 or below when it finds none.
long measuredSize(std::FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    return std::ftell(file);
}

// The text as the parser's file loading hands it on: it ends at the first nul byte, and every
// CR LF pair or lone CR has become one LF.
void normalizeLineEnds(std::string& text)
{
    text.resize(std::strlen(text.c_str()));
    std::size_t from = text.find('\r');
    if (from == std::string::npos)
        return;
    std::size_t to = from;
    while (from < text.size()) {
        if (text[from] == '\r') {
            text[to++] = '\n';
            from += from + 1 < text.size() && text[from + 1] == '\n' ? 2 : 1;
        } else {
            text[to++] = text[from++];
        }
    }
    text.resize(to);
}

// What the parser's file loading does with the file's bytes, without reading the file again.
// Counting rows and columns at every node costs a tenth of the parse and only a refusal names
// them, so a document that fails is parsed once more with the counting on.
void parseAsLoaded(TiXmlDocument& document, std::string& bytes)
{
    normalizeLineEnds(bytes);
    const int tabSize = document.TabSize();
    document.SetTabSize(0);
    document.Parse(bytes.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (document.Error()) {
        document.Clear();
        document.SetTabSize(tabSize);
        document.Parse(bytes.c_str(), nullptr, TIXML_ENCODING_UTF8);
    }
}

std::unique_ptr<HaarCascade> refuse(const Failure& failure)
{
    diagnostics() << "cascade refused: " << failure << std::endl;
    return nullptr;
}

}  // namespace

std::unique_ptr<HaarCascade> cascadeFromFile(std::FILE* file)
{
    // A cascade nests its elements about ten deep; far more would only threaten the stack.
    constexpr int maxNesting = 256;

    std::string bytes = readWhole(file);
    if (bytes.size() > maxCascadeFileBytes)
        return refuse("the file grew past " + std::to_string(maxCascadeFileBytes >> 20) +
                      " MiB while it was read");
    if (!isUtf8Text(bytes))
        return refuse("the file is not UTF-8 text");
    if (xmlNestingBound(bytes, maxNesting) > maxNesting)
        return refuse("elements are nested more than " + std::to_string(maxNesting) + " deep");

    TiXmlDocument document;
    // The parser's own file loading would measure the file and read it whole once more. Where it
    // would not meet the bytes we have (a file that is no plain file, or one that shrank or grew
    // meanwhile), it still reads the file itself, so that it meets what it always met.
    long size = measuredSize(file);
    if (size > 0 && std::size_t(size) == bytes.size())
        parseAsLoaded(document, bytes);
    else
        document.LoadFile(file, TIXML_ENCODING_UTF8);
    return cascadeFromDocument(document);
}

std::unique_ptr<HaarCascade> cascadeFromDocument(const TiXmlDocument& document)
{
    if (document.Error())
        return refuse("the file is not well-formed XML (" + std::string(document.ErrorDesc()) +
                      " at row " + std::to_string(document.ErrorRow()) + " column " +
                      std::to_string(document.ErrorCol()) + ")");
    const TiXmlElement* root = document.FirstChildElement();
    const TiXmlElement* element = root ? root->FirstChildElement() : nullptr;
    if (!element)
        return refuse("the document has no cascade element");
    const TiXmlElement* stages = element->FirstChildElement("stages");
    if (!stages)
        return refuse("cascade has no stages");

    std::unique_ptr<HaarCascade> cascade = createHaarCascade(countItems(stages));
    if (!cascade)
        return nullptr;  // createHaarCascade has said why
    if (Failure failure = readCascade(*element, *stages, *cascade); !failure.empty())
        return refuse(failure);
    return cascade;
}
