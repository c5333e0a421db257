#include "window_json.h"

#include "json.h"

namespace ss::cli {

namespace {

Json Control(const TextBox* box) {
    return {{"text", box->Text}, {"fore", box->ForeColor}, {"back", box->BackColor}};
}
Json Control(const OptionButton* option) {
    return {{"value", option->Value}};
}
Json Control(const ScrollBar* bar) {
    return {{"value", bar->Value()}};
}
Json Control(const ListBox* list) {
    return {{"items", list->Items}};
}
Json Control(const ComboBox* combo) {
    return {{"items", combo->Items}, {"text", combo->Text}};
}

Json Item(const TextItem& t) {
    return {{"text", t.text}, {"x", t.x}, {"y", t.y}, {"color", t.colour}};
}
Json Item(const BoxItem& b) {
    return {{"box", {b.x1, b.y1, b.x2, b.y2}}, {"color", b.colour}};
}

} // namespace

void WriteWindowJson(std::ostream& out, std::string_view window,
                     const std::vector<WindowField>& fields, const Surface& surface,
                     const std::vector<RecordingHost::Message>& messages) {
    Json controls = Json::object();
    for (const WindowField& field : fields) {
        controls[std::string(field.name)] =
            std::visit([](const auto* control) { return Control(control); }, field.control);
    }
    Json items = Json::array();
    for (const DrawItem& item : surface.Items()) {
        items.push_back(std::visit([](const auto& drawn) { return Item(drawn); }, item));
    }
    Json boxes = Json::array();
    for (const RecordingHost::Message& m : messages) {
        boxes.push_back({{"title", m.title}, {"text", m.text}, {"buttons", m.buttons}});
    }
    WriteJson(out, {
                       {"window", window},
                       {"fields", std::move(controls)},
                       {"surface", std::move(items)},
                       {"messages", std::move(boxes)},
                   });
    out << '\n';
}

} // namespace ss::cli
