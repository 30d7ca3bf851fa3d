"""The answers of the OCR service and of the update document that the test server gives
a path no test has scripted: the token endpoint, the recognition paths (text kinds and
card kinds) and the update document."""

import json
import urllib.parse


class Defaults:
    """The answers of a path that no test has scripted."""

    @staticmethod
    def ocr_results():
        return {
            "text": ["第一行文字", "second line 2"],
            "idcard_front": {"姓名": "张三", "民族": "汉", "住址": "北京市东城区示例路1号",
                             "公民身份号码": "110101199001011234", "出生": "19900101",
                             "性别": "男"},
            "idcard_back": {"签发机关": "北京市公安局东城分局", "签发日期": "20200101",
                            "失效日期": "20400101"},
            "vehicle_license_front": {"号牌号码": "京A12345", "车辆类型": "小型轿车",
                                      "所有人": "张三", "住址": "北京市东城区示例路1号",
                                      "使用性质": "非营运", "品牌型号": "示例牌SL7000",
                                      "车辆识别代号": "LSVAB2BR0AB123456",
                                      "发动机号码": "123456", "注册日期": "20200101",
                                      "发证日期": "20200102"},
            "vehicle_license_back": {"号牌号码": "京A12345", "核定载人数": "5人",
                                     "总质量": "1800kg", "检验记录": "检验有效期至2026年01月"},
        }

    @staticmethod
    def update_document():
        return {"update": {"v": "3.9", "gxts": "发现新版本，请更新", "byts": "当前已是最新版本",
                           "gu": "", "fu": ""}}

    @staticmethod
    def answer(state, method, target, body):
        parsed = urllib.parse.urlsplit(target)
        path = parsed.path
        fields = urllib.parse.parse_qs(parsed.query, keep_blank_values=True)
        if method == "POST":
            form = urllib.parse.parse_qs(body.decode("latin-1"), keep_blank_values=True)
            for key, values in form.items():
                fields.setdefault(key, []).extend(values)
        field = lambda name: (fields.get(name) or [""])[0]
        last = path.rstrip("/").rsplit("/", 1)[-1]
        if path.endswith("/oauth/2.0/token"):
            return Defaults.token(field)
        if last == "update.json":
            with state.lock:
                return json_reply(state.update)
        if "/ocr/" in path and method == "POST":
            return Defaults.recognition(state, last, field)
        return {"status": 404, "body": "not found", "headers": [["Content-Type", "text/plain"]]}

    @staticmethod
    def token(field):
        if field("grant_type") == "client_credentials" and field("client_id") and field(
                "client_secret"):
            return json_reply({"refresh_token": "refresh-" + field("client_id"),
                               "expires_in": 2592000,
                               "access_token": "token-" + field("client_id")})
        return json_reply({"error": "invalid_client", "error_description": "unknown client id"},
                          status=401)

    @staticmethod
    def recognition(state, last, field):
        if not field("access_token"):
            return json_reply({"error_code": 110, "error_msg": "Access token invalid"})
        if not field("image"):
            return json_reply({"error_code": 216101, "error_msg": "param image not exist"})
        with state.lock:
            results = json.loads(json.dumps(state.ocr))
        if last == "idcard":
            side = "back" if field("id_card_side") == "back" else "front"
            fields = results["idcard_" + side]
        elif last == "vehicle_license":
            side = "back" if field("vehicle_license_side") == "back" else "front"
            fields = results["vehicle_license_" + side]
        else:
            lines = results["text"]
            return json_reply({"log_id": 1, "words_result_num": len(lines),
                               "words_result": [{"words": line} for line in lines]})
        return json_reply({"log_id": 1, "words_result_num": len(fields),
                           "words_result": {name: {"words": value}
                                            for name, value in fields.items()}})


def json_reply(value, status=200):
    return {"status": status, "headers": [["Content-Type", "application/json;charset=UTF-8"]],
            "body": json.dumps(value, ensure_ascii=False)}
