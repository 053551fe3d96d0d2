# The visual-style catalogue: one resource of type VCLSTYLE per style, compiled at build time
# by vtr_stylec from src/resources/styles/<RESOURCE>.style and the shared template.css.
#
# vtr_embed_style_catalogue(target) embeds all of them into target with one call.
# VTR_STYLE_CATALOGUE holds the same as TYPE NAME FILE triples for vtr_embed_resources; a target
# that embeds through it must also add_dependencies(target vtr_style_catalogue).
set(VTR_STYLE_RESOURCES
    AMAKRITS AMETHYSTKAMRI AQUAGRAPHITE AQUALIGHTSLATE AURIC CARBON CHARCOALDARKSLATE
    COBALTXEMEDIA CYANDUSK CYANNIGHT EMERALDLIGHTSLATE GLOSSY GLOW GOLDENGRAPHITE
    ICEBERGCLASSICO LAVENDERCLASSICO LIGHT LUNA METROPOLISUIBLACK METROPOLISUIBLUE
    METROPOLISUIDARK METROPOLISUIGREEN OBSIDIAN ONYXBLUE RUBYGRAPHITE SAPPHIREKAMRI SILVER SKY
    SLATECLASSICO SMOKEYQUARTZKAMRI TABLETDARK TABLETLIGHT TURQUOISEGRAY WINDOWS WINDOWSBLUE
    WINDOWSDARK WINDOWSGREEN WINDOWSPURPLE WINDOWSSLATEGRAY)
set(VTR_STYLE_OUTPUT_DIR "${CMAKE_BINARY_DIR}/styles")

set(VTR_STYLE_CATALOGUE "")
foreach(res IN LISTS VTR_STYLE_RESOURCES)
    list(APPEND VTR_STYLE_CATALOGUE VCLSTYLE ${res} "${VTR_STYLE_OUTPUT_DIR}/${res}.bin")
endforeach()

function(vtr_embed_style_catalogue target)
    vtr_embed_resources(${target} ${VTR_STYLE_CATALOGUE})
    add_dependencies(${target} vtr_style_catalogue)
endfunction()
