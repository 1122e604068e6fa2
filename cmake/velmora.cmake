# Shared compile settings for every target of the project.
function(velmora_target_defaults target)
    target_compile_features(${target} PUBLIC cxx_std_20)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wformat=2)
    if(WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# A library's headers are seen, as "<folder>/<header>.h", only by itself and by what links it: each library
# gets a folder of its own in the build tree holding a link to its sources, so an include of a library not
# linked fails to compile. (The layering test checks the rest: cycles, floors, the readers' floor.) The
# programs above the core see their own folder the same way. An optional third argument names the include
# folder when it differs from the source folder's name.
function(velmora_headers_folder name out)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    if(ARGC GREATER 2)
        set(folder ${ARGV2})
    endif()
    set(headers ${PROJECT_BINARY_DIR}/headers/${name})
    file(MAKE_DIRECTORY ${headers})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${headers}/${folder} SYMBOLIC)
    set(${out} ${headers} PARENT_SCOPE)
endfunction()

# The .cpp files of the current folder for this system: a file ending in _posix.cpp or _windows.cpp is one
# system's side of an interface the folder's header declares for both.
function(velmora_sources out)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(WIN32)
        list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
    else()
        list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
    endif()
    set(${out} ${sources} PARENT_SCOPE)
endfunction()

# A static library of the Qt-free core: one per folder, built from the folder's .cpp files for this system.
# Its headers are included as "<x>/..." for the library velmora_<x>, wherever its folder sits (core/formats/zip
# holds velmora_package, included as "package/...").
function(velmora_core_library name)
    cmake_parse_arguments(ARG "" "" "PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    string(REGEX REPLACE "^velmora_" "" include_folder ${name})
    velmora_headers_folder(${name} headers ${include_folder})
    velmora_sources(sources)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${headers})
        target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
        velmora_target_defaults(${name})
        # The core counts bytes, rows and record fields: a narrowing it did not spell out is a bug there.
        # (Signedness alone, as GCC judges it: clang would count every int index into a vector.)
        target_compile_options(${name} PRIVATE -Wconversion -Wno-sign-conversion)
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${headers})
        target_link_libraries(${name} INTERFACE ${ARG_PUBLIC_LIBS})
    endif()
endfunction()

# The version and the install folders, generated once for the core and both programs. The version's
# four numbers (missing ones 0) are what a Windows version resource holds.
set(velmora_version_numbers "")
foreach(part MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
        list(APPEND velmora_version_numbers 0)
    else()
        list(APPEND velmora_version_numbers ${PROJECT_VERSION_${part}})
    endif()
endforeach()
list(JOIN velmora_version_numbers "," velmora_version_numbers)
configure_file(${PROJECT_SOURCE_DIR}/cmake/build_info.h.in ${PROJECT_BINARY_DIR}/generated/velmora/build_info.h
    @ONLY)
add_library(velmora_build_info INTERFACE)
target_include_directories(velmora_build_info INTERFACE ${PROJECT_BINARY_DIR}/generated)

# Hardened as the distribution builds its desktop programs: position-independent executables, a read-only
# relocation table bound at start, stack canaries, and checked string and memory calls. Fortified calls
# need the optimiser and clash with the sanitizers' own interceptors, so those builds go without.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-fstack-protector-strong)
if(WIN32)
    # Windows' equivalents: a relocatable image at a random address, data never executable. The stack
    # checks and checked calls live in GCC's libssp there, which the link must be told about.
    add_link_options(-Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va -fstack-protector-strong -lssp)
    # Every program carries the manifest (resources/windows/velmora.manifest), linked in as an object.
    set(manifest_object ${PROJECT_BINARY_DIR}/generated/velmora-manifest.o)
    execute_process(COMMAND ${CMAKE_RC_COMPILER} ${PROJECT_SOURCE_DIR}/resources/windows/velmora.rc
                            -o ${manifest_object}
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/resources/windows COMMAND_ERROR_IS_FATAL ANY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
        ${PROJECT_SOURCE_DIR}/resources/windows/velmora.rc ${PROJECT_SOURCE_DIR}/resources/windows/velmora.manifest)
    add_link_options(${manifest_object})
else()
    include(CheckPIESupported)
    check_pie_supported()
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
if(NOT SANITIZE AND NOT BUILD_FUZZERS)
    add_compile_options($<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE> $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
endif()

if(SANITIZE)
    add_compile_options(-fsanitize=${SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${SANITIZE})
endif()

# The fuzz targets need coverage feedback from the whole core, not only from their own file.
if(BUILD_FUZZERS)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# A Windows program's icon and version resource (resources/windows/program.rc); `kind` is WINDOW or
# BATCH, which picks the description the resource gives. Nothing on other systems.
function(velmora_program_resources target kind)
    if(WIN32)
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources/windows/program.rc)
        target_compile_definitions(${target} PRIVATE VELMORA_PROGRAM_${kind})
        # windres looks for the icon file along the include folders.
        target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources/windows)
        target_link_libraries(${target} PRIVATE velmora_build_info)
    endif()
endfunction()
