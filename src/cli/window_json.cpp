#include "window_json.h"

#include "json.h"

namespace ss::cli {

namespace {

void WriteItems(JsonWriter& json, const std::vector<std::string>& items) {
    json.Key("items").BeginArray();
    for (const std::string& item : items) {
        json.String(item);
    }
    json.EndArray();
}

struct ControlWriter {
    JsonWriter& json;
    void operator()(const TextBox* box) const {
        json.Key("text").String(box->Text);
        json.Key("fore").Number(box->ForeColor).Key("back").Number(box->BackColor);
    }
    void operator()(const OptionButton* option) const { json.Key("value").Bool(option->Value); }
    void operator()(const ScrollBar* bar) const { json.Key("value").Number(bar->Value()); }
    void operator()(const ListBox* list) const { WriteItems(json, list->Items); }
    void operator()(const ComboBox* combo) const {
        WriteItems(json, combo->Items);
        json.Key("text").String(combo->Text);
    }
};

struct ItemWriter {
    JsonWriter& json;
    void operator()(const TextItem& t) const {
        json.Key("text").String(t.text).Key("x").Number(t.x).Key("y").Number(t.y);
        json.Key("color").Number(t.colour);
    }
    void operator()(const BoxItem& b) const {
        json.Key("box").BeginArray().Number(b.x1).Number(b.y1).Number(b.x2).Number(b.y2);
        json.EndArray().Key("color").Number(b.colour);
    }
};

} // namespace

void WriteWindowJson(std::ostream& out, std::string_view window,
                     const std::vector<WindowField>& fields, const Surface& surface,
                     const std::vector<RecordingHost::Message>& messages) {
    JsonWriter json(out);
    json.BeginObject().Key("window").String(window);

    json.Key("fields").BeginObject();
    for (const WindowField& field : fields) {
        json.Key(field.name).BeginObject();
        std::visit(ControlWriter{json}, field.control);
        json.EndObject();
    }
    json.EndObject();

    json.Key("surface").BeginArray();
    for (const DrawItem& item : surface.Items()) {
        json.BeginObject();
        std::visit(ItemWriter{json}, item);
        json.EndObject();
    }
    json.EndArray();

    json.Key("messages").BeginArray();
    for (const RecordingHost::Message& m : messages) {
        json.BeginObject().Key("title").String(m.title).Key("text").String(m.text);
        json.Key("buttons").Number(m.buttons).EndObject();
    }
    json.EndArray();

    json.EndObject();
    out << '\n';
}

} // namespace ss::cli
