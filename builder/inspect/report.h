// What `slipway inspect` found, as a tree of named values that the text and
// JSON writers render. Texts in the tree are UTF-8.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

class ReportNode {
public:
    enum class Kind { Object, List, Text, Number, Boolean, Null };
    // How the text writer shows a number; JSON always writes it in decimal.
    enum class NumberStyle { Decimal, Hex };

    static ReportNode object() { return ReportNode(Kind::Object); }
    static ReportNode list() { return ReportNode(Kind::List); }
    static ReportNode text(std::string utf8);
    static ReportNode number(uint64_t value, NumberStyle style = NumberStyle::Decimal);
    static ReportNode boolean(bool value);
    static ReportNode null() { return ReportNode(Kind::Null); }

    // Objects: members keep the order they were added in.
    ReportNode& add(const std::string& key, ReportNode value);
    // Lists.
    ReportNode& append(ReportNode value);

    Kind kind() const { return kind_; }
    const std::string& textValue() const { return text_; }
    uint64_t numberValue() const { return number_; }
    NumberStyle numberStyle() const { return style_; }
    bool booleanValue() const { return number_ != 0; }
    // Object members have their key; list items have an empty one.
    const std::vector<std::pair<std::string, ReportNode>>& children() const { return children_; }
    // The member with this key, or null.
    const ReportNode* find(const std::string& key) const;
    bool isScalar() const { return kind_ != Kind::Object && kind_ != Kind::List; }

private:
    explicit ReportNode(Kind kind) : kind_(kind) {}

    Kind kind_;
    std::string text_;
    uint64_t number_ = 0;
    NumberStyle style_ = NumberStyle::Decimal;
    std::vector<std::pair<std::string, ReportNode>> children_;
};
