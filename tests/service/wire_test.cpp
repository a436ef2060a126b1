// The service's text handling: forms, JSON, MD5, multipart bodies, upload parameters and
// their signature, paths of the users' trees.

#include <gtest/gtest.h>

#include "service/digest.h"
#include "service/form.h"
#include "service/json_builder.h"
#include "service/json_value.h"
#include "service/multipart_reader.h"
#include "service/signing.h"
#include "service/tree.h"
#include "service/upload_params.h"

using namespace norvel::service;

TEST(ServiceWire, Md5KnownValuesAndStreaming) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    const std::string text(1000, 'x');
    CMd5Stream stream;
    for (size_t i = 0; i < text.size(); i += 7)
        stream.Update(text.substr(i, 7));
    EXPECT_EQ(stream.FinishHex(), Md5Hex(text));
    EXPECT_EQ(stream.FinishHex(), Md5Hex(""));  // starts afresh
    EXPECT_TRUE(IsMd5Hex("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_FALSE(IsMd5Hex("900150983CD24FB0D6963F7D28E17F72"));
    EXPECT_FALSE(IsMd5Hex("../../etc/passwd"));
}

TEST(ServiceWire, FormKeepsRawValuesAndDecodesOnRequest) {
    const auto form =
        CForm::Parse("kdw_key=abc&&kdw_filename=a+b%26c%2Etxt&kdw_seglist=[{ \"a\" : \"1\" }]&");
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Raw("kdw_seglist"), "[{ \"a\" : \"1\" }]");
    EXPECT_EQ(form->Raw("kdw_filename"), "a+b%26c%2Etxt");
    EXPECT_EQ(*form->Decoded("kdw_filename"), "a b&c.txt");
    EXPECT_FALSE(form->Has("missing"));
    EXPECT_FALSE(CForm::Parse("a=1&novalue"));
    EXPECT_FALSE(CForm::Parse("=1"));
    EXPECT_FALSE(UrlDecode("%4"));
    EXPECT_FALSE(UrlDecode("%zz"));
    EXPECT_EQ(UrlEncode("a b/c"), "a+b%2Fc");
    EXPECT_EQ(UrlEncode("dir/a.txt", "."), "dir%2Fa.txt");
}

TEST(ServiceWire, JsonWritesTheClientsFormAndParsesItBack) {
    CJsonBuilder object;
    object.Set("b", "2")
        .Set("a", int64_t(1))
        .Set("url", "http://x/y")
        .Set("o", CJsonBuilder().Set("k", "v\"q"));
    EXPECT_EQ(object.ToString(),
              "{ \"a\" : \"1\" , \"b\" : \"2\" , \"o\" : { \"k\" : \"v\\\"q\" } , \"url\" : "
              "\"http:\\/\\/x\\/y\" }");
    EXPECT_EQ(CJsonBuilder().ToString(), "{  }");
    const auto parsed = CJsonValue::Parse(object.ToString());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Text("url"), "http://x/y");
    EXPECT_EQ(parsed->Find("o")->Text("k"), "v\"q");
    const auto bare = CJsonValue::Parse("[{\"fileid\":12,\"range\":\"0-9\"}, true]");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->At(0).Text("fileid"), "12");
    EXPECT_EQ(bare->At(1).Scalar(), "true");
}

TEST(ServiceWire, JsonRefusesMalformedAndDeepTexts) {
    for (const char* text : {"", "x", "{", "{\"a\":}", "{\"a\" \"b\"}", "[1,2", "{\"a\":\"1\"} x",
                             "\"s\"", "{\"a\":\"\\q\"}"})
        EXPECT_FALSE(CJsonValue::Parse(text)) << text;
    EXPECT_FALSE(CJsonValue::Parse(std::string(10000, '[') + std::string(10000, ']')));
    EXPECT_TRUE(CJsonValue::Parse(std::string(20, '[') + std::string(20, ']')));
}

TEST(ServiceWire, JsonGapsAreRefusedButSeparatorsInsideTextsAreNot) {
    for (const char* text : {"[1,]", "[,1]", "{\"a\":1,}", "{\"a\":1 , , \"b\":2}", "[{}]]"})
        EXPECT_FALSE(CJsonValue::Parse(text)) << text;
    const auto value =
        CJsonValue::Parse(" { \"s\" : \"a,]\\\":}\" , \"e\" : [ ] , \"o\" : {  } }\r\n");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Text("s"), "a,]\":}");
    EXPECT_TRUE(value->Find("e")->IsArray());
    EXPECT_EQ(value->Find("e")->Size(), 0u);
    EXPECT_TRUE(value->Find("o")->IsObject());
    EXPECT_EQ(value->Text("o"), "");  // not a scalar
    EXPECT_FALSE(value->Find("missing"));
    EXPECT_TRUE(value->Elements().empty());  // no array
    EXPECT_EQ(value->ToString(), "{ \"e\" : [  ] , \"o\" : {  } , \"s\" : \"a,]\\\":}\" }");
}

namespace {

struct MultipartRun {
    CMultipartReader::Fields fields;
    std::string data;
    bool ok = true;
    bool complete = false;
};

MultipartRun ReadMultipart(const std::string& body, size_t piece, uint64_t length) {
    MultipartRun run;
    CMultipartReader reader(
        "B0undary",
        [&](const CMultipartReader::Fields& fields) {
            run.fields = fields;
            return std::optional<uint64_t>(length);
        },
        [&](const char* data, size_t n) {
            run.data.append(data, n);
            return true;
        });
    for (size_t i = 0; i < body.size() && run.ok; i += piece)
        run.ok = reader.Feed(body.data() + i, std::min(piece, body.size() - i));
    run.complete = reader.Complete();
    return run;
}

std::string MultipartBody(const std::string& content) {
    return "--B0undary\r\nContent-Disposition: form-data; name=\"kdw_app\"\r\n\r\n1\r\n--B0undary"
           "\r\nContent-Disposition: form-data; name=\"kdw_range\"\r\n\r\n0-9"
           "\r\n--B0undary\r\nContent-Disposition: form-data; name=\"file\"; filename=\"C:\\a "
           "b.txt\r\n"
           "Content-Type: application/octet-stream\r\n\r\n" +
           content + "\r\n--B0undary--\r\n";
}

}  // namespace

TEST(ServiceWire, MultipartContentIsReadByLengthEvenWhenItHoldsTheBoundary) {
    const std::string content = "\r\n--B0undary";  // 12 bytes that look like a delimiter
    for (size_t piece : {size_t(1), size_t(5), size_t(4096)}) {
        const MultipartRun run = ReadMultipart(MultipartBody(content), piece, content.size());
        EXPECT_TRUE(run.ok && run.complete) << piece;
        EXPECT_EQ(run.data, content);
        ASSERT_EQ(run.fields.size(), 2u);
        EXPECT_EQ(run.fields[1], (std::pair<std::string, std::string>("kdw_range", "0-9")));
    }
}

TEST(ServiceWire, MultipartRefusesWrongLengthsAndBrokenHeads) {
    EXPECT_FALSE(ReadMultipart(MultipartBody("0123456789"), 3, 8).ok);  // longer than its range
    const MultipartRun exact = ReadMultipart(MultipartBody("0123456789"), 3, 10);
    EXPECT_TRUE(exact.ok && exact.complete);
    const MultipartRun shortBody =
        ReadMultipart(MultipartBody("0123"), 3, 10);  // shorter: never complete
    EXPECT_FALSE(shortBody.ok && shortBody.complete);
    EXPECT_FALSE(ReadMultipart("garbage without parts", 4, 1).ok);
    EXPECT_FALSE(ReadMultipart("--B0undary\r\nX: y\r\n\r\nvalue\r\n--B0undary", 4, 1)
                     .ok);  // part without a name
    EXPECT_EQ(*MultipartBoundary("multipart/form-data; boundary=----------7babc"),
              "----------7babc");
    EXPECT_FALSE(MultipartBoundary("application/x-www-form-urlencoded"));
}

namespace {

std::vector<std::pair<std::string, std::string>> FastFields() {
    return {{"kdw_app", "1"},
            {"kdw_ts", "1330000000"},
            {"kdw_fmt", "JSON"},
            {"kdw_ver", "1.0"},
            {"user_defined", ""},
            {"kdw_tcon", ""},
            {"kdw_tstr", "T1"},
            {"kdw_filename", "a+b%26c%2Etxt"},
            {"kdw_pfid", std::string(32, 'a')},
            {"kdw_pfsize", "5000000"},
            {"kdw_key", std::string(32, 'f')},
            {"kdw_fid", std::string(32, 'b')},
            {"kdw_fsize", "4194304"},
            {"kdw_range", "0-1023"},
            {"kdw_fcon", std::string(32, 'c')}};
}

}  // namespace

TEST(ServiceUploadParams, SegmentFastRequestIsReadAndSignedLikeTheClient) {
    std::string error;
    const auto params = ReadUploadParams(UploadKind::Fast, FastFields(), true, error);
    ASSERT_TRUE(params) << error;
    EXPECT_EQ(params->filename, "a b&c.txt");
    EXPECT_EQ(params->fileId, std::string(32, 'a'));
    EXPECT_EQ(params->segId, std::string(32, 'b'));
    EXPECT_EQ(params->segSize, 4194304u);
    EXPECT_EQ(params->range->Text(), "0-1023");
    // The client's list, sorted bytewise, after the secret.
    const std::string expected = Md5Hex(
        "S3cret"
        "kdw_app1"
        "kdw_fconcccccccccccccccccccccccccccccccc"
        "kdw_fidbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb"
        "kdw_filenamea b&c.txt"
        "kdw_fmtJSON"
        "kdw_fsize4194304"
        "kdw_pfidaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"
        "kdw_pfsize5000000"
        "kdw_range0-1023"
        "kdw_tcon"
        "kdw_ts1330000000"
        "kdw_tstrT1"
        "kdw_ver1.0");
    EXPECT_EQ(UploadKey(*params, "S3cret"), expected);
}

TEST(ServiceUploadParams, MissingOrMalformedParametersAreRefused) {
    std::string error;
    auto fields = FastFields();
    fields.erase(fields.begin());  // no kdw_app
    EXPECT_FALSE(ReadUploadParams(UploadKind::Fast, fields, true, error));
    fields = FastFields();
    fields[13].second = "9-1";  // range backwards
    EXPECT_FALSE(ReadUploadParams(UploadKind::Fast, fields, true, error));
    fields = FastFields();
    fields[11].second = "../x";  // segment id that is no digest
    EXPECT_FALSE(ReadUploadParams(UploadKind::Fast, fields, true, error));
    fields = FastFields();
    fields.emplace_back("kdw_range", "1-2");  // two different ranges
    EXPECT_FALSE(ReadUploadParams(UploadKind::Fast, fields, true, error));
    EXPECT_FALSE(
        ReadUploadParams(UploadKind::Init, FastFields(), true, error));  // up_init names no segment
    EXPECT_EQ(ParseRange("10000000000-10000000001")->Length(), 2u);
    EXPECT_FALSE(ParseRange("-1-2"));
    EXPECT_FALSE(ParseDecimal("+1"));
}

TEST(ServiceSigning, HeaderFieldsAndDigest) {
    const auto fields =
        ParseAuthHeader("AccessToken ClientID=c1, Digest=d1, Nonce=, Created=1330000000");
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->clientId, "c1");
    EXPECT_EQ(fields->nonce, "");
    EXPECT_EQ(fields->created, "1330000000");
    EXPECT_FALSE(ParseAuthHeader("Basic abc"));
    EXPECT_FALSE(ParseAuthHeader("AccessToken ClientID=c1, Digest=d1"));
    EXPECT_EQ(AuthDigest("sec", "n", "5"), Md5Hex(Md5Hex("secn") + "5"));
}

TEST(ServiceTree, PathsCannotClimbOutOrHideBytes) {
    EXPECT_EQ(*JoinTreePath("/我的网盘/我收到的文件", "/a/b.txt"),
              "/我的网盘/我收到的文件/a/b.txt");
    EXPECT_EQ(*JoinTreePath("/", "/a"), "/a");
    for (const char* name : {"/../x", "/a/../../b", "/./a", "a", "//a", "/a/"})
        EXPECT_FALSE(JoinTreePath("/r", name)) << name;
    EXPECT_FALSE(JoinTreePath("/r", std::string("/a\0b", 4)));
    EXPECT_FALSE(JoinTreePath("/r", "/a\nb"));
    EXPECT_FALSE(JoinTreePath("r", "/a"));
    EXPECT_EQ(ParentOf("/a/b"), "/a");
    EXPECT_EQ(ParentOf("/a"), "/");
}
