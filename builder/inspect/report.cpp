#include "builder/inspect/report.h"

ReportNode ReportNode::text(std::string utf8)
{
    ReportNode node(Kind::Text);
    node.text_ = std::move(utf8);
    return node;
}

ReportNode ReportNode::number(uint64_t value, NumberStyle style)
{
    ReportNode node(Kind::Number);
    node.number_ = value;
    node.style_ = style;
    return node;
}

ReportNode ReportNode::boolean(bool value)
{
    ReportNode node(Kind::Boolean);
    node.number_ = value ? 1 : 0;
    return node;
}

ReportNode& ReportNode::add(const std::string& key, ReportNode value)
{
    children_.emplace_back(key, std::move(value));
    return children_.back().second;
}

ReportNode& ReportNode::append(ReportNode value)
{
    children_.emplace_back(std::string(), std::move(value));
    return children_.back().second;
}

const ReportNode* ReportNode::find(const std::string& key) const
{
    for (const auto& child : children_)
        if (child.first == key)
            return &child.second;
    return nullptr;
}
