#include "forms/StyleManager.h"

#include "forms/StyleEngine.h"
#include "platform/Text.h"

#include <iostream>
#include <memory>
#include <utility>

namespace Forms {

namespace {

struct TStyleEntry {
    std::string Name;
    std::string FoldedName;
    std::function<std::optional<TStyleDefinition>()> Load; // empty for the system style
    std::optional<TStyleDefinition> Definition;
    std::unique_ptr<TStyleSheet> Sheet; // set once the style is loaded
};

struct TState {
    bool Registered = false;
    std::vector<TStyleEntry> Entries; // [0] is the system style
    std::size_t Active = 0;
    std::vector<TStyleManager::TCatalogue> Pending; // catalogues not listed yet
    TStyleManager::TErrorPresenter Presenter;
};

TState& State() {
    static TState state;
    return state;
}

void DefaultPresenter(const std::string& Text) {
    std::cerr << Text << '\n';
}

void AddSources(TState& State, std::vector<TStyleSource> Sources) {
    for (TStyleSource& source : Sources) {
        if (source.Name.empty() || !source.Load) {
            continue;
        }
        std::string folded = Platform::FoldCase(source.Name);
        bool duplicate = false;
        for (const TStyleEntry& entry : State.Entries) {
            duplicate = duplicate || entry.FoldedName == folded;
        }
        if (!duplicate) {
            State.Entries.push_back(TStyleEntry{std::move(source.Name), std::move(folded),
                                                std::move(source.Load), std::nullopt, nullptr});
        }
    }
}

// The catalogues are listed only when styles are first needed: cheap at start-up.
TState& Registered() {
    TState& state = State();
    if (!state.Registered) {
        state.Registered = true;
        state.Entries.push_back(TStyleEntry{std::string(TStyleManager::SystemStyleName),
                                            Platform::FoldCase(TStyleManager::SystemStyleName),
                                            {},
                                            std::nullopt,
                                            nullptr});
    }
    for (TStyleManager::TCatalogue& list : std::exchange(state.Pending, {})) {
        AddSources(state, list());
    }
    return state;
}

bool IsLoaded(const TState& State, std::size_t Index) {
    return Index == 0 || State.Entries[Index].Sheet != nullptr;
}

std::optional<std::size_t> Find(TState& State, std::string_view Name) {
    const std::string folded = Platform::FoldCase(Name);
    for (const bool loadedPass : {true, false}) {
        for (std::size_t i = 0; i < State.Entries.size(); ++i) {
            if (IsLoaded(State, i) == loadedPass && State.Entries[i].FoldedName == folded) {
                return i;
            }
        }
    }
    return std::nullopt;
}

// Reads the whole definition the first time a style is used; false when its data is damaged.
bool Load(TState& State, std::size_t Index) {
    if (IsLoaded(State, Index)) {
        return true;
    }
    TStyleEntry& entry = State.Entries[Index];
    entry.Definition = entry.Load();
    if (!entry.Definition) {
        return false;
    }
    entry.Sheet = std::make_unique<TStyleSheet>(entry.Definition->Css);
    return true;
}

std::string NotFoundText(std::string_view Name) {
    return "Style '" + std::string(Name) + "' not found";
}

} // namespace

std::vector<std::string> TStyleManager::StyleNames() {
    std::vector<std::string> names;
    for (const TStyleEntry& entry : Registered().Entries) {
        names.push_back(entry.Name);
    }
    return names;
}

std::string TStyleManager::ActiveStyleName() {
    const TState& state = State();
    return state.Registered ? state.Entries[state.Active].Name : std::string(SystemStyleName);
}

std::optional<std::string> TStyleManager::FindStyleName(std::string_view Name) {
    TState& state = Registered();
    const auto index = Find(state, Name);
    if (!index) {
        return std::nullopt;
    }
    return state.Entries[*index].Name;
}

std::optional<TStyleDefinition> TStyleManager::StyleDefinition(std::string_view Name) {
    TState& state = Registered();
    const auto index = Find(state, Name);
    if (!index || *index == 0 || !Load(state, *index)) {
        return std::nullopt;
    }
    return state.Entries[*index].Definition;
}

bool TStyleManager::TrySetStyle(std::string_view Name, bool ShowError) {
    TState& state = Registered();
    const auto index = Find(state, Name);
    if (!index || !Load(state, *index)) {
        if (ShowError) {
            const std::string text = NotFoundText(Name);
            if (state.Presenter) {
                state.Presenter(text);
            } else {
                DefaultPresenter(text);
            }
        }
        return false;
    }
    if (*index != state.Active) {
        TStyleEngine::Activate(state.Entries[*index].Sheet.get());
        state.Active = *index;
    }
    return true;
}

void TStyleManager::DrawPreview(std::string_view Name, TRasterImage& Image) {
    TState& state = Registered();
    const auto index = Find(state, Name);
    if (index && *index == 0) {
        throw EStyleError("Not available \"Windows\" preview.");
    }
    if (!index || !Load(state, *index)) {
        throw EStyleError(NotFoundText(Name));
    }
    TStyleEngine::DrawPreview(*state.Entries[*index].Sheet, Image);
}

void TStyleManager::AddCatalogue(TCatalogue List) {
    TState& state = State();
    state.Pending.push_back(std::move(List));
    if (state.Registered) {
        Registered();
    }
}

void TStyleManager::SetErrorPresenter(TErrorPresenter Presenter) {
    State().Presenter = std::move(Presenter);
}

} // namespace Forms
