// One definition of a record's fields serves reading, writing and describing:
// each record lists its fields once, in stream order, in a `fields` template,
// and visitors walk that list. A field's kind says how it is stored and how
// it reads to a person:
//   text(name, value)            a NUL-terminated text, through the pool
//   textList(name, value)        NUL-terminated texts ended by an empty one
//   textPairs(name, value, a, b) (a, b) pairs of such texts ended by an empty a
//   blob(name, value)            raw bytes, through the pool
//   payload(name, value, ref)    a file's contents, through the pool: held in
//                                `value`, or named by `ref` when they stay in
//                                a block read as a stream (format/payload.h)
//   banner(name, info, bits)     a bitmap header and its bits, two pool items
//   number(name, value, form)    a u32
//   shortNumber(name, value, form) a u32 of which the low half counts
// Only scripts use the list, pair and banner kinds, so only the template
// visitors (never FieldVisitor) need them.
#pragma once

#include "format/byte_cursor.h"
#include "format/bytes.h"
#include "format/byte_sink.h"
#include "format/payload.h"
#include "format/record_kinds.h"

#include <stdint.h>

// How a number reads to a person.
enum class NumberForm : uint8_t { Decimal, Hex, RegistryRoot };

// What an action's or undo entry's fields look like from outside, for
// `slipway inspect` and the builder's checks.
class FieldVisitor {
public:
    virtual void text(const char* name, const Bytes& value) = 0;
    virtual void blob(const char* name, const Bytes& value) = 0;
    // A file's contents not held in memory: by default described as the
    // held bytes (none) would be.
    virtual void payload(const char* name, const Bytes& value, const PayloadRef& ref)
    {
        (void)ref;
        blob(name, value);
    }
    virtual void number(const char* name, uint32_t value, NumberForm form) = 0;

protected:
    ~FieldVisitor() = default;
};

// Reads fields from a cursor; a failed read leaves the cursor failed.
struct FieldReader {
    ByteCursor& cursor;
    void text(const char*, Bytes& value) { cursor.readString(value); }
    void textList(const char*, Bytes& value) { cursor.readString(value); }
    void textPairs(const char*, Bytes& value, const char*, const char*) { cursor.readString(value); }
    void blob(const char*, Bytes& value) { cursor.readString(value); }
    void payload(const char*, Bytes& value, PayloadRef& ref) { cursor.readPayload(value, ref); }
    void banner(const char*, Bytes& info, Bytes& bits)
    {
        cursor.readString(info);
        cursor.readString(bits);
    }
    void number(const char*, uint32_t& value, NumberForm = NumberForm::Decimal) { value = cursor.readU32(); }
    void shortNumber(const char*, uint16_t& value, NumberForm = NumberForm::Decimal)
    {
        value = uint16_t(cursor.readU32());
    }
};

// Writes fields to a sink: every byte field through the string pool, numbers
// (u16 ones too) as u32.
struct FieldWriter {
    ByteSink& sink;
    void text(const char*, const Bytes& value) { add(value); }
    void textList(const char*, const Bytes& value) { add(value); }
    void textPairs(const char*, const Bytes& value, const char*, const char*) { add(value); }
    void blob(const char*, const Bytes& value) { add(value); }
    // Contents the writer streams in later go in as its reference. The
    // stub writes no actions, only undo entries, which have no contents.
    void payload(const char*, const Bytes& value, const PayloadRef& ref)
    {
#ifdef SLIPWAY_UNNAMED_FIELDS
        (void)ref;
#else
        if (ref.streamed()) {
            sink.addPayload(ref.item);
            return;
        }
#endif
        add(value);
    }
    void banner(const char*, const Bytes& info, const Bytes& bits)
    {
        add(info);
        add(bits);
    }
    void number(const char*, uint32_t value, NumberForm = NumberForm::Decimal)
    {
        sink.appendU32(value);
    }
    void shortNumber(const char*, uint16_t value, NumberForm = NumberForm::Decimal)
    {
        sink.appendU32(value);
    }
    void add(const Bytes& value)
    {
        sink.addString(value.data(), value.size());
    }
};

// Hands an action's or undo entry's fields to a FieldVisitor.
struct FieldDescriber {
    FieldVisitor& visitor;
    void text(const char* name, const Bytes& value) { visitor.text(name, value); }
    void blob(const char* name, const Bytes& value) { visitor.blob(name, value); }
    void payload(const char* name, const Bytes& value, const PayloadRef& ref)
    {
        if (ref.streamed())
            visitor.payload(name, value, ref);
        else
            visitor.blob(name, value);
    }
    void number(const char* name, uint32_t value, NumberForm form = NumberForm::Decimal)
    {
        visitor.number(name, value, form);
    }
    void shortNumber(const char* name, uint16_t value, NumberForm form = NumberForm::Decimal)
    {
        visitor.number(name, value, form);
    }
};

// The fields of a record, read in stream order. False when the cursor failed.
template <typename Record>
bool readFields(ByteCursor& cursor, Record& record)
{
    FieldReader reader{cursor};
    Record::fields(record, reader);
    return !cursor.failed();
}

template <typename Record>
bool writeFields(const Record& record, ByteSink& sink)
{
    FieldWriter writer{sink};
    Record::fields(record, writer);
    return !sink.failed();
}

// Calls fn(name, bytes) for every byte field of a record, in stream order (a
// banner's two parts as "bannerInfo" and "bannerBits"); numbers are skipped.
template <typename Fn>
struct ByteFieldWalk {
    Fn& fn;
    template <typename B>
    void text(const char* name, B& value)
    {
        fn(name, value);
    }
    template <typename B>
    void textList(const char* name, B& value)
    {
        fn(name, value);
    }
    template <typename B>
    void textPairs(const char* name, B& value, const char*, const char*)
    {
        fn(name, value);
    }
    template <typename B>
    void blob(const char* name, B& value)
    {
        fn(name, value);
    }
    template <typename B, typename R>
    void payload(const char* name, B& value, R&)
    {
        fn(name, value);
    }
    template <typename B>
    void banner(const char*, B& info, B& bits)
    {
        fn("bannerInfo", info);
        fn("bannerBits", bits);
    }
    template <typename N>
    void number(const char*, N&, NumberForm = NumberForm::Decimal)
    {
    }
    template <typename N>
    void shortNumber(const char*, N&, NumberForm = NumberForm::Decimal)
    {
    }
};

template <typename Record, typename Fn>
void forEachByteField(Record& record, Fn fn)
{
    ByteFieldWalk<Fn> walk{fn};
    Record::fields(record, walk);
}

// A record's fields walked without templates: every action and undo kind
// has one body that hands its field list to a FieldWalker, and reading,
// writing and describing are each written once, in format/records.cpp, over
// that walk. (Three template walks a kind cost the stub about 1.7 KiB.) A
// walker does the one of the three it was made for, by a test rather than a
// virtual call; the writing and describing walkers only look at the fields.
class FieldWalker {
public:
    explicit FieldWalker(ByteCursor& reading) : reading_(&reading) {}
    explicit FieldWalker(ByteSink& writing) : writing_(&writing) {}
#ifndef SLIPWAY_UNNAMED_FIELDS
    explicit FieldWalker(FieldVisitor& describing) : describing_(&describing)
    {
    }
#endif
    void text(const char* name, Bytes& value);
    void blob(const char* name, Bytes& value);
    void payload(const char* name, Bytes& value, PayloadRef& ref);
    void number(const char* name, uint32_t& value, NumberForm form = NumberForm::Decimal);
    void shortNumber(const char* name, uint16_t& value, NumberForm form = NumberForm::Decimal);

private:
    // Calls `field` with the template visitor (FieldReader, FieldWriter or
    // FieldDescriber) the walker was made for.
    template <typename Field>
    void hand(Field field);

    ByteCursor* reading_ = nullptr;
    ByteSink* writing_ = nullptr;
#ifndef SLIPWAY_UNNAMED_FIELDS
    FieldVisitor* describing_ = nullptr;
#endif
};

// The stub reads and writes records but never describes them: built with
// SLIPWAY_UNNAMED_FIELDS, its walks hand on neither field names nor number
// forms, its image carries none of the names' texts, and its walkers have no
// describing.
struct UnnamedFieldWalk {
    FieldWalker& walker;
    void text(const char*, Bytes& value) { walker.text(nullptr, value); }
    void blob(const char*, Bytes& value) { walker.blob(nullptr, value); }
    void payload(const char*, Bytes& value, PayloadRef& ref) { walker.payload(nullptr, value, ref); }
    void number(const char*, uint32_t& value, NumberForm = NumberForm::Decimal) { walker.number(nullptr, value); }
    void shortNumber(const char*, uint16_t& value, NumberForm = NumberForm::Decimal)
    {
        walker.shortNumber(nullptr, value);
    }
};

// Reading, writing and describing over a record's walk, for Action and
// UndoEntry alike (format/records.cpp).
template <typename Record>
bool readWalkedFields(Record& record, ByteCursor& cursor);
template <typename Record>
bool writeWalkedFields(const Record& record, ByteSink& sink);
template <typename Record>
void describeWalkedFields(const Record& record, FieldVisitor& visitor);

// The shared half of every action and undo kind: its code, from the lists of
// format/record_kinds.h, and the walk of its field list. `Base` is Action
// or UndoEntry, which keep the code and look the kind's name up by it.
template <typename Base, typename Derived>
class RecordOfKind : public Base {
public:
    static constexpr uint32_t kKind = KindCode<Derived>::value;

    RecordOfKind() : Base(KindCode<Derived>::value) {}
    void walkFields(FieldWalker& walker)
    {
#ifdef SLIPWAY_UNNAMED_FIELDS
        UnnamedFieldWalk unnamed{walker};
        Derived::fields(static_cast<Derived&>(*this), unnamed);
#else
        Derived::fields(static_cast<Derived&>(*this), walker);
#endif
    }
};
