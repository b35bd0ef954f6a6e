#include "view/main_window.hpp"

#include <glib.h>
#include <glibmm/datetime.h>
#include <glibmm/fileutils.h>
#include <glibmm/miscutils.h>
#include <gdkmm/pixbuf.h>
#include <gtkmm/aboutdialog.h>
#include <gtkmm/filefilter.h>
#include <gtkmm/stock.h>

#include "common/log.hpp"
#include "ctrl/cmd_ctrl.hpp"
#include "ctrl/context.hpp"
#include "ctrl/ctrl_switcher.hpp"
#include "ctrl/document_file.hpp"
#include "ctrl/modes/cell_mode.hpp"
#include "model/workspace.hpp"
#include "view/application.hpp"
#include "render/exporting_canvas.hpp"

namespace View {

namespace {
// The manual lives on the project's documentation server.
constexpr const char* MANUAL_HOST = "https://lattrix.github.io";
constexpr const char* MANUAL_PATH_EN = "/release/0.01/doc-en/";
constexpr const char* MANUAL_PATH_JA = "/release/0.01/doc-ja/";
}  // namespace

std::string display_file_name(const std::string& file_path, const std::string& cwd) {
    if (file_path.empty()) {
        return "";
    }
    auto file = Gio::File::create_for_path(file_path);
    auto dir = Gio::File::create_for_path(cwd);
    std::string relative = dir->get_relative_path(file);
    if (!relative.empty()) {
        return relative;
    }
    return file->get_path();
}

std::string window_title(const std::string& display_name) {
    if (display_name.empty()) {
        return "Lattrix";
    }
    return "Lattrix - " + display_name;
}

std::string save_question_text(const std::string& display_name) {
    std::string name = display_name.empty() ? "This workspace" : "\"" + display_name + "\"";
    return name + " has been updated.\nDo you save the file?";
}

std::string disk_change_text(const std::string& display_name) {
    return (display_name.empty() ? std::string("The file") : display_name) + " changed on disk.";
}

std::string overwrite_question_text(const std::string& display_name) {
    return display_name + " changed on disk since it was opened or saved here.\n" +
           "Overwrite it with this version?";
}

std::string recovery_question_text(const std::string& display_name, const std::string& time) {
    return "Recover unsaved changes to " +
           (display_name.empty() ? std::string("a new document") : display_name) + " from " + time +
           "?";
}

std::string manual_path(const std::vector<std::string>& language_names) {
    for (const auto& lang : language_names) {
        if (lang == "ja") {
            return MANUAL_PATH_JA;
        }
    }
    return MANUAL_PATH_EN;
}

std::string manual_uri(const std::vector<std::string>& language_names) {
    return std::string(MANUAL_HOST) + manual_path(language_names);
}

std::string manual_location(const std::vector<std::string>& language_names,
                            const std::vector<std::string>& manual_dirs) {
    // "/release/0.01/doc-ja/" names the language's folder as its last part.
    std::string folder = manual_path(language_names);
    folder.pop_back();
    folder = Glib::path_get_basename(folder);
    for (const auto& dir : manual_dirs) {
        const std::string index = Glib::build_filename(dir, folder, "index.html");
        if (Glib::file_test(index, Glib::FILE_TEST_IS_REGULAR)) {
            return Glib::filename_to_uri(index);
        }
    }
    return manual_uri(language_names);
}

std::vector<std::string> installed_manual_dirs() {
    std::vector<std::string> dirs;
    // An installed tree moved elsewhere keeps its manual beside it.
    gchar* exe = g_file_read_link("/proc/self/exe", nullptr);
    if (exe != nullptr) {
        const std::string prefix = Glib::path_get_dirname(Glib::path_get_dirname(exe));
        g_free(exe);
        dirs.push_back(Glib::build_filename(prefix, "share", "doc", "lattrix", "manual"));
    }
    dirs.emplace_back(LATTRIX_MANUAL_DIR);
    return dirs;
}

std::string replace_question_text(const std::string& display_name, const std::string& new_path) {
    const std::string name = display_name.empty() ? std::string("this workspace") : display_name;
    return "Open " + new_path + " in place of " + name + "?";
}

MainWindow::MainWindow(const Glib::RefPtr<Gtk::Application>& app) {
    if (app) {
        set_application(app);
    }
    build();
}

MainWindow::MainWindow(Gtk::Application& app) {
    set_application(Glib::wrap(app.gobj(), true));
    build();
}

MainWindow::~MainWindow() {
    m_file_path_connection.disconnect();
    m_disk_bar_connection.disconnect();
    // The switcher holds the controllers strongly; none may outlive us.
    Ctrl::CtrlSwitcher::reset();
}

void MainWindow::build() {
    update_title();
    set_border_width(2);
    set_position(Gtk::WIN_POS_CENTER);
    init_action();

    register_resources();
    try {
        set_icon(Gdk::Pixbuf::create_from_resource("/org/gtk/lattrix/cls48.png"));
    } catch (const Glib::Error& e) {
        LX_DEBUG("%s", e.what().c_str());
    }

    signal_delete_event().connect([this](GdkEventAny*) {
        if (!confirm_to_save_update()) {
            return true;
        }
        // Saved, or not to be saved: either way no copy is to be offered.
        m_context->get_document().forget_changes();
        return false;
    });

    m_ws = std::make_shared<Model::Workspace>();
    m_file_path_connection = m_ws->signal_file_path_changed().connect([this] {
        LX_DEBUG("NOTIFY!");
        update_title();
        const std::string& path = m_ws->get_file_path();
        if (m_recent && !path.empty()) {
            Gtk::RecentManager::Data data;
            data.mime_type = "application/x-lattrix+xml";
            data.app_name = Glib::get_application_name();
            data.app_exec = Glib::get_prgname() + " %f";
            m_recent->add_item(Glib::filename_to_uri(path), data);
        }
    });
    m_canvas = std::make_unique<Canvas>(m_ws);
    m_context = std::make_shared<Ctrl::Context>(m_ws, *m_canvas);
    m_command_bar = std::make_unique<CommandBar>(m_ws, *m_context);

    Ctrl::CtrlSwitcher::register_edit_ctrl(m_context);
    Ctrl::CtrlSwitcher::register_cmd_ctrl(m_command_bar->get_cmd_ctrl());
    Ctrl::CtrlSwitcher::switch_to_edit_ctrl();

    m_grid = Gtk::make_managed<Gtk::Grid>();
    // Keys that the canvas does not take stop here and never reach the
    // window's own handlers.
    m_grid->signal_key_press_event().connect([](GdkEventKey*) { return true; });
    add(*m_grid);

    m_canvas->set_hexpand(true);
    m_canvas->set_vexpand(true);

    m_menu_bar = std::make_unique<MenuBar>(m_context);
    m_tool_bar = std::make_unique<ToolBar>(m_context);
    add_accel_group(m_menu_bar->get_accel_group());

    build_disk_bar();

    m_grid->attach(*m_menu_bar, 0, 0, 1, 1);
    m_grid->attach(*m_tool_bar, 0, 1, 1, 1);
    m_grid->attach(m_disk_bar, 0, 2, 1, 1);
    m_grid->attach(*m_canvas, 0, 3, 1, 1);
    m_grid->attach(*m_command_bar, 0, 4, 1, 1);
    m_canvas->set_can_focus(true);
    m_canvas->grab_focus();

    auto& document = m_context->get_document();
    document.confirm_overwrite = [this](const std::string&) { return confirm_overwrite(); };
    document.ask_recover = [this](const Model::RecoveryCopy& copy) { return ask_recover(copy); };
    // Without a file monitor (some network folders) a look on return to
    // the window still notices.
    signal_focus_in_event().connect(
        [this](GdkEventFocus*) {
            m_context->get_document().check_disk();
            return false;
        },
        false);
}

void MainWindow::build_disk_bar() {
    m_disk_bar.set_message_type(Gtk::MESSAGE_WARNING);
    if (auto* content = dynamic_cast<Gtk::Container*>(m_disk_bar.get_content_area())) {
        content->add(m_disk_bar_label);
    }
    m_disk_bar.add_button("Reload", RESPONSE_RELOAD);
    m_disk_bar.add_button("Keep mine", RESPONSE_KEEP_MINE);
    m_disk_bar.set_hexpand(true);
    m_disk_bar_label.show();
    // Shown only while there is a change to answer, whatever show_all does.
    m_disk_bar.set_no_show_all(true);
    m_disk_bar.signal_response().connect([this](int response) {
        auto& document = m_context->get_document();
        if (response == RESPONSE_RELOAD) {
            std::string problem;
            if (!document.reload(problem)) {
                m_context->show_message("reload: " + problem);
            }
        } else {
            document.keep_mine();
        }
        m_canvas->grab_focus();
    });
    m_disk_bar_connection =
        m_context->get_document().signal_changed_on_disk_changed().connect([this] {
            if (m_context->get_document().get_is_changed_on_disk()) {
                m_disk_bar_label.set_text(disk_change_text(get_display_file_name()));
                m_disk_bar.show();
            } else {
                m_disk_bar.hide();
            }
        });
}

bool MainWindow::confirm_overwrite() {
    Gtk::MessageDialog dialog(*this, overwrite_question_text(get_display_file_name()), false,
                              Gtk::MESSAGE_WARNING, Gtk::BUTTONS_NONE, true);
    dialog.add_button("_Cancel", Gtk::RESPONSE_CANCEL);
    dialog.add_button("_Overwrite", Gtk::RESPONSE_ACCEPT);
    dialog.set_default_response(Gtk::RESPONSE_CANCEL);
    return run_dialog(dialog) == Gtk::RESPONSE_ACCEPT;
}

Ctrl::DocumentFile::Answer MainWindow::ask_recover(const Model::RecoveryCopy& copy) {
    const std::string name = copy.document_path.empty()
                                 ? std::string()
                                 : display_file_name(copy.document_path, Glib::get_current_dir());
    const auto time = Glib::DateTime::create_now_local(copy.saved_at / G_USEC_PER_SEC);
    Gtk::MessageDialog dialog(*this, recovery_question_text(name, time.format("%Y-%m-%d %H:%M:%S")),
                              false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, true);
    dialog.add_button("_Discard", Gtk::RESPONSE_NO);
    dialog.add_button("_Recover", Gtk::RESPONSE_YES);
    dialog.set_default_response(Gtk::RESPONSE_YES);
    switch (run_dialog(dialog)) {
        case Gtk::RESPONSE_YES:
            return Ctrl::DocumentFile::Answer::RECOVER;
        case Gtk::RESPONSE_NO:
            return Ctrl::DocumentFile::Answer::DISCARD;
        default:
            // Closed without an answer: asked again next time.
            return Ctrl::DocumentFile::Answer::LATER;
    }
}

void MainWindow::start_recovery() {
    auto& document = m_context->get_document();
    document.start_recovery(
        std::make_unique<Model::RecoveryStore>(Model::RecoveryStore::default_dir()));
    document.offer_recovery();
}

std::string MainWindow::get_display_file_name() const {
    return display_file_name(m_ws ? m_ws->get_file_path() : std::string(), Glib::get_current_dir());
}

void MainWindow::update_title() {
    set_title(window_title(get_display_file_name()));
}

std::unique_ptr<Gtk::FileChooserDialog> MainWindow::new_chooser(const FileChooserOptions& options) {
    auto dialog = std::make_unique<Gtk::FileChooserDialog>(*this, options.title, options.action);
    dialog->add_button("_Cancel", Gtk::RESPONSE_CANCEL);
    dialog->add_button(options.accept_label, Gtk::RESPONSE_ACCEPT);
    for (const auto& [name, mime_type] : options.filters) {
        auto own = Gtk::FileFilter::create();
        own->set_name(name);
        own->add_mime_type(mime_type);
        dialog->add_filter(own);
    }
    auto all = Gtk::FileFilter::create();
    all->set_name("All");
    all->add_pattern("*");
    dialog->add_filter(all);
    dialog->set_do_overwrite_confirmation(true);
    return dialog;
}

std::unique_ptr<Gtk::FileChooserDialog> MainWindow::new_file_chooser_dialog(
    const std::string& title, const std::string& accept_label, Gtk::FileChooserAction action) {
    return new_chooser({title, accept_label, action, {{"Lattrix data (XML)", "text/xml"}}});
}

namespace {

// The export formats as the chooser offers them, in its order.
struct ExportFilter {
    const char* name;
    const char* mime_type;
    const char* extension;
    ExportFormat format;
};
constexpr ExportFilter EXPORT_FILTERS[] = {
    {"PNG image", "image/png", ".png", ExportFormat::PNG},
    {"SVG image", "image/svg+xml", ".svg", ExportFormat::SVG},
    {"PDF document", "application/pdf", ".pdf", ExportFormat::PDF},
};

const ExportFilter* export_filter_named(const Glib::ustring& name) {
    for (const auto& f : EXPORT_FILTERS) {
        if (name == f.name) {
            return &f;
        }
    }
    return nullptr;
}

// name with its extension replaced by (or, without one, given) ext.
std::string with_extension(const std::string& name, const char* ext) {
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    return stem + ext;
}

}  // namespace

std::unique_ptr<Gtk::FileChooserDialog> MainWindow::new_export_file_chooser_dialog() {
    FileChooserOptions options{"Export image", "_Export", Gtk::FILE_CHOOSER_ACTION_SAVE, {}};
    for (const auto& f : EXPORT_FILTERS) {
        options.filters.emplace_back(f.name, f.mime_type);
    }
    auto dialog = new_chooser(options);
    std::string stem = m_ws->get_file_path().empty()
                           ? std::string("diagram")
                           : with_extension(Glib::path_get_basename(m_ws->get_file_path()), "");
    dialog->set_current_name(stem + ".png");
    // Choosing a format puts its extension on the name typed so far.
    Gtk::FileChooserDialog* d = dialog.get();
    dialog->property_filter().signal_changed().connect([d] {
        Glib::RefPtr<Gtk::FileFilter> filter = d->get_filter();
        const ExportFilter* f = filter ? export_filter_named(filter->get_name()) : nullptr;
        const std::string name = d->get_current_name();
        if (f != nullptr && !name.empty()) {
            d->set_current_name(with_extension(name, f->extension));
        }
    });
    return dialog;
}

std::optional<ExportFormat> MainWindow::get_export_format(Gtk::FileChooserDialog& dialog,
                                                          const std::string& path) {
    if (auto f = export_format_for_path(path)) {
        return f;
    }
    Glib::RefPtr<Gtk::FileFilter> filter = dialog.get_filter();
    const ExportFilter* f = filter ? export_filter_named(filter->get_name()) : nullptr;
    return f != nullptr ? std::optional<ExportFormat>(f->format) : std::nullopt;
}

std::unique_ptr<Gtk::MessageDialog> MainWindow::new_save_question_dialog() {
    // The text is passed as plain text, never as markup or a format: a file
    // name with '%' or '<' in it is shown as it is.
    auto dialog = std::make_unique<Gtk::MessageDialog>(
        *this, save_question_text(get_display_file_name()), false, Gtk::MESSAGE_WARNING,
        Gtk::BUTTONS_CANCEL, true);
    dialog->add_button("_Save", Gtk::RESPONSE_YES);
    dialog->add_button("_Don't save", Gtk::RESPONSE_NO);
    return dialog;
}

int MainWindow::run_dialog(Gtk::Dialog& dialog) {
    if (m_run_dialog) {
        return m_run_dialog(dialog);
    }
    return dialog.run();
}

bool MainWindow::confirm_to_save_update() {
    if (!m_ws->get_is_updated()) {
        return true;
    }
    auto dialog = new_save_question_dialog();
    int response = run_dialog(*dialog);
    dialog.reset();
    switch (response) {
        case Gtk::RESPONSE_NO:
            return true;
        case Gtk::RESPONSE_YES:
            return save_file(true);
        default:
            return false;
    }
}

void MainWindow::return_to_cell_mode() {
    Ctrl::CtrlSwitcher::switch_to_edit_ctrl();
    if (auto cell = m_context->get_mode<Ctrl::CellMode>()) {
        m_context->set_now_mode(cell);
    }
}

void MainWindow::new_file() {
    // Leaving the editing first puts its last keys into the document, so the
    // save question knows of them.
    return_to_cell_mode();
    if (!confirm_to_save_update()) {
        return;
    }
    m_context->get_document().new_document();
    queue_draw();
}

void MainWindow::open_from_outside(const std::string& path) {
    return_to_cell_mode();
    if (!confirm_to_save_update()) {
        return;
    }
    // An untouched new window just takes the document.
    if (!m_ws->get_file_path().empty() || m_ws->get_is_updated()) {
        Gtk::MessageDialog dialog(*this, replace_question_text(get_display_file_name(), path),
                                  false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_NONE, true);
        dialog.add_button("_Keep", Gtk::RESPONSE_NO);
        dialog.add_button("_Open", Gtk::RESPONSE_YES);
        dialog.set_default_response(Gtk::RESPONSE_YES);
        if (run_dialog(dialog) != Gtk::RESPONSE_YES) {
            return;
        }
    }
    static_cast<void>(open_path(path));
    queue_draw();
}

void MainWindow::exit() {
    return_to_cell_mode();
    if (!confirm_to_save_update()) {
        return;
    }
    m_context->get_document().forget_changes();
    // The last window gone, the application ends.
    hide();
}

void MainWindow::show_about() {
    Gtk::AboutDialog about;
    about.set_transient_for(*this);
    about.set_modal(true);
    about.set_program_name("Lattrix");
    about.set_version(LATTRIX_VERSION);
    about.set_comments("UML class diagrams on a grid, keyboard first");
    // The project has not chosen a public licence yet, so nothing is granted that it might not
    // mean.
    about.set_copyright("Copyright \u00a9 2026 the Lattrix developers");
    about.set_license_type(Gtk::LICENSE_CUSTOM);
    about.set_license(
        "All rights reserved. The project has not chosen a licence for public use yet.");
    about.set_website(MANUAL_HOST);
    about.set_website_label("Lattrix on the web");
    register_resources();
    try {
        about.set_logo(Gdk::Pixbuf::create_from_resource("/org/gtk/lattrix/cls48.png"));
    } catch (const Glib::Error& e) {
        LX_DEBUG("%s", e.what().c_str());
    }
    run_dialog(about);
}

void MainWindow::open_file() {
    return_to_cell_mode();
    if (!confirm_to_save_update()) {
        return;
    }
    auto dialog = new_file_chooser_dialog("Open file", "_Open", Gtk::FILE_CHOOSER_ACTION_OPEN);
    if (run_dialog(*dialog) == Gtk::RESPONSE_ACCEPT) {
        std::string filename = dialog->get_filename();
        dialog.reset();
        LX_DEBUG("open filename = %s", filename.c_str());
        static_cast<void>(open_path(filename));
    }
    queue_draw();
}

bool MainWindow::open_path(const std::string& path) {
    std::string problem;
    if (!m_context->get_document().load(path, problem)) {
        m_context->show_message("open: " + problem);
        return false;
    }
    return true;
}

bool MainWindow::save_file(bool use_current_path) {
    std::string path;
    if (!use_current_path || m_ws->get_file_path().empty()) {
        auto dialog = new_file_chooser_dialog("Save file", "_Save", Gtk::FILE_CHOOSER_ACTION_SAVE);
        if (run_dialog(*dialog) != Gtk::RESPONSE_ACCEPT) {
            return false;
        }
        path = dialog->get_filename();
        LX_DEBUG("save filename = %s", path.c_str());
    }
    std::string problem;
    const bool saved = m_context->get_document().save(path, problem);
    if (!saved) {
        m_context->show_message("save: " + problem);
    }
    queue_draw();
    return saved;
}

std::shared_ptr<ExportingCnavas> MainWindow::new_exporting_canvas() {
    return ExportingCnavas::new_for_selection(m_ws, m_context->get_selected_range());
}

void MainWindow::export_png(const std::string& file_path) {
    // The area is the one selected now, before any dialog runs.
    const auto range = m_context->get_selected_range();
    std::string path = file_path;
    // A name without a known extension is written as PNG, unless the
    // chooser's format says otherwise.
    ExportFormat format = export_format_for_path(path).value_or(ExportFormat::PNG);
    if (path.empty()) {
        auto dialog = new_export_file_chooser_dialog();
        if (run_dialog(*dialog) == Gtk::RESPONSE_ACCEPT) {
            path = dialog->get_filename();
            format = get_export_format(*dialog, path).value_or(ExportFormat::PNG);
        }
    }
    if (!path.empty()) {
        m_context->with_document_layout([&] {
            auto canvas = ExportingCnavas::new_for_selection(m_ws, range);
            if (!canvas || !canvas->export_(path, format)) {
                LX_DEBUG("cannot export to %s", path.c_str());
            }
        });
    }
    queue_draw();
}

void MainWindow::show_help() {
    std::vector<std::string> langs;
    for (const gchar* const* name = g_get_language_names(); *name != nullptr; ++name) {
        langs.emplace_back(*name);
    }
    const std::string location = manual_location(langs, installed_manual_dirs());
    try {
        show_uri(location, GDK_CURRENT_TIME);
    } catch (const Glib::Error& e) {
        LX_DEBUG("%s", e.what().c_str());
        // Without a program for web pages, at least say where the manual is.
        std::string shown = location;
        if (location.rfind("file://", 0) == 0) {
            shown = Glib::filename_from_uri(location);
        }
        m_context->show_message("manual: " + shown);
    }
}

void MainWindow::add_named_action(const std::string& name, void (MainWindow::*handler)()) {
    add_action(name, sigc::mem_fun(*this, handler));
}

void MainWindow::init_action() {
    add_named_action("new-file", &MainWindow::new_file);
    add_named_action("open-file", &MainWindow::open_file);
    // A failed save says so on the command bar and keeps the changes unsaved.
    add_action("save-file", [this] { static_cast<void>(save_file(true)); });
    add_action("save-as-file", [this] { static_cast<void>(save_file(false)); });
    add_named_action("manual", &MainWindow::show_help);
    add_named_action("exit", &MainWindow::exit);
    add_named_action("version", &MainWindow::show_about);
    add_action_with_parameter(
        "open-recent", Glib::VARIANT_TYPE_STRING, [this](const Glib::VariantBase& param) {
            auto uri = Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(param);
            std::string path;
            try {
                path = Glib::filename_from_uri(uri.get());
            } catch (const Glib::Error& e) {
                m_context->show_message("open: " + e.what());
                return;
            }
            return_to_cell_mode();
            if (confirm_to_save_update()) {
                static_cast<void>(open_path(path));
                queue_draw();
            }
        });
    add_action_with_parameter(
        "export-png", Glib::VARIANT_TYPE_STRING, [this](const Glib::VariantBase& param) {
            auto path = Glib::VariantBase::cast_dynamic<Glib::Variant<Glib::ustring>>(param);
            export_png(path.get());
        });
}

}  // namespace View
