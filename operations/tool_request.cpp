#include "operations/tool_request.h"

#include "catalog/catalog_model.h"

ToolRequest MakeToolRequest(const CatalogApp& app) {
    ToolRequest request;
    request.name = app.name;
    request.description = app.description;
    request.exeName = app.exeName;
    request.sha256 = app.sha256;
    request.downloadId = app.downloadId;
    request.downloadEndpoint = app.downloadEndpoint;
    request.sourceRoot = app.sourceRoot;
    request.withdrawn = app.withdrawn;
    request.version = app.version;
    return request;
}
