// One definition of a record's fields serves reading, writing and describing:
// each record lists its fields once, in stream order, in a `fields` template,
// and these visitors walk that list.
#pragma once

#include "app/byte_cursor.h"
#include "app/bytes.h"
#include "engine/byte_sink.h"

#include <stdint.h>

// What a record's fields look like from outside, for `slipway inspect`.
class FieldVisitor {
public:
    virtual void text(const char* name, const Bytes& value) = 0;
    virtual void blob(const char* name, const Bytes& value) = 0;
    virtual void number(const char* name, uint32_t value) = 0;

protected:
    ~FieldVisitor() = default;
};

// Reads fields from a cursor; a u16 field is a u32 of which the low half counts.
struct FieldReader {
    ByteCursor& cursor;
    void text(const char*, Bytes& value) { cursor.readString(value); }
    void blob(const char*, Bytes& value) { cursor.readString(value); }
    void number(const char*, uint32_t& value) { value = cursor.readU32(); }
    void shortNumber(const char*, uint16_t& value) { value = uint16_t(cursor.readU32()); }
};

// Writes fields to a sink: texts and blobs through the string pool, numbers
// (u16 ones too) as u32.
struct FieldWriter {
    ByteSink& sink;
    void text(const char*, const Bytes& value) { sink.addString(value.data(), value.size()); }
    void blob(const char*, const Bytes& value) { sink.addString(value.data(), value.size()); }
    void number(const char*, uint32_t value) { sink.appendU32(value); }
    void shortNumber(const char*, uint16_t value) { sink.appendU32(value); }
};

struct FieldDescriber {
    FieldVisitor& visitor;
    void text(const char* name, const Bytes& value) { visitor.text(name, value); }
    void blob(const char* name, const Bytes& value) { visitor.blob(name, value); }
    void number(const char* name, uint32_t value) { visitor.number(name, value); }
    void shortNumber(const char* name, uint16_t value) { visitor.number(name, value); }
};
