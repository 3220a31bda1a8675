// The lengths of a streamed block's file contents, known before the stream
// reaches them: the wizard shows what a selection needs on the disk, and
// the progress bar knows its end, before a byte of the contents is decoded.
//
// A block item carries its length just in front of its bytes, so a reader
// learns a file's length only when the stream comes to it. The builder
// therefore writes the lengths once more, up front: one pool item that no
// record names, the last before the contents, holding the tag "LENS" and
// a u32 per contents item in item order. A reader that knows nothing of it
// passes it by as it passes any item it is not asked for; a block without
// it (another writer's) simply has no lengths up front.
#pragma once

#include <stdint.h>

class ByteSink;
class StreamedPool;
struct ActionScript;

// Adds the table for the contents the sink has been given so far, in their
// ordinal order; `lengthOf` answers a writer's contents number. Called last,
// after every record and text: the table must be the last pool item.
typedef uint32_t (*ContentsLengthFn)(void* context, uint32_t contentsNumber);
bool addPayloadSizeTable(ByteSink& sink, ContentsLengthFn lengthOf, void* context);

// Gives every streamed write-file action of the script the length its
// contents have, when the block holds a table that fits its contents items
// (right tag, one length for each). False, and nothing changed, when it
// holds none.
bool applyPayloadSizeTable(StreamedPool& pool, ActionScript& script);
